// The _tavro_python extension module: the camera SDK for Python programs.
//
// This file only puts the module together. The frame comes first (runtime fixes, shared
// typemaps and helpers, callback-class support, constants); then one file per binding family,
// each reading the SDK headers of its classes in dependency order.
%module(directors="1") tavro_python

%begin %{
// Each director caches the Python method it forwards to after the first lookup.
#define SWIG_PYTHON_DIRECTOR_VTABLE
// numpy's C API is imported by this translation unit (see ky_constants.i).
#define SWIG_FILE_WITH_INIT
%}

%include "frame/ky_runtime.i"
%include "frame/ky_typemaps.i"
%include "frame/ky_arrays.i"
%include "frame/ky_callbacks.i"
%include "frame/ky_keepalive.i"
%include "frame/ky_constants.i"
%include "frame/ky_gen_downcast.i"

// Families in the order of the method table; a family of a later issue takes its place here.
%include "bindings/ky_string_result.i"
%include "bindings/ky_logging.i"
%include "bindings/ky_pixel_bit_count.i"
%include "bindings/ky_buffer_arrays.i"
%include "bindings/ky_chunk_data.i"
%include "bindings/ky_image.i"
%include "bindings/ky_buffer.i"
%include "bindings/ky_multipart.i"
%include "bindings/ky_buffer_converter.i"
%include "bindings/ky_compression.i"
%include "bindings/ky_gen_parameter_array.i"
%include "bindings/ky_gen_parameter_list.i"
%include "bindings/ky_gen_category.i"
%include "bindings/ky_gen_parameter.i"
%include "bindings/ky_gen_boolean_command.i"
%include "bindings/ky_gen_enum.i"
%include "bindings/ky_gen_number.i"
%include "bindings/ky_gen_register_string.i"
%include "bindings/ky_gen_state_stack.i"
%include "bindings/ky_soft_callbacks.i"
%include "bindings/ky_user_set_notify.i"
%include "bindings/ky_soft_device_info.i"
%include "bindings/ky_message_channel.i"
%include "bindings/ky_soft_device_event_sink.i"
%include "bindings/ky_streaming_source.i"
%include "bindings/ky_registers.i"
%include "bindings/ky_genapi_factory.i"
%include "bindings/ky_soft_device.i"
%include "bindings/ky_fps_stabilizer.i"
%include "bindings/ky_streaming_source_default.i"
%include "bindings/ky_session_info.i"
%include "bindings/ky_system.i"
%include "bindings/ky_device_info.i"
%include "bindings/ky_interface.i"
%include "bindings/ky_device.i"
%include "bindings/ky_device_u3v.i"
// (KyDeviceU3V comes here)
%include "bindings/ky_device_tesmar.i"
%include "bindings/ky_device_adapter.i"
%include "bindings/ky_stream.i"
%include "bindings/ky_stream_rtp.i"
%include "bindings/ky_pipeline.i"
%include "bindings/ky_serial_port.i"
