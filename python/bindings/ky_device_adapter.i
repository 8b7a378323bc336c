// The device adapter (KyDeviceAdapter): one device through IKyDeviceAdapter, by feature name,
// register and memory, for the serial port (KyDeviceSerialPort_Open takes the adapter).
//
// Out-arguments are objects the caller passes and the SDK fills (a KyString, or pointer objects
// for int64_t, bool and KyStringList); only ReadRegister and GetUniqueID return a tuple
// (KyResult, value or None). Byte buffers are uint8_t pointer objects; None passes a null
// pointer, which the adapter refuses with KY_INVALID_PARAMETER when a length is given. Every call
// runs with the interpreter lock released.
//
// The module binds no class for IKyDeviceAdapter and KyGenEventSink, so the adapter's conversions
// to them are added to the type table when the module loads: an adapter object is accepted where
// an IKyDeviceAdapter, a KyDeviceEventSink or a KyGenEventSink pointer is expected.

%{
#include "ky/device/IKyDeviceAdapter.h"
#include "ky/device/IKyDeviceEventSink.h"
#include "ky/device/KyDeviceAdapter.h"
#include "ky/device/KyStringList.h"
#include "ky/genicam/KyGenEventSink.h"
%}

%types(IKyDeviceAdapter *, KyGenEventSink *, IKyDeviceEventSink *, KyStringList *);

%header %{
// Puts `entry` at the head of the conversion list of `base`: an object of type `derived` is then
// accepted where `base` is expected, its pointer converted by `convert`.
SWIGINTERN void KyPy_AddUpcast(swig_type_info *derived, swig_type_info *base, swig_converter_func convert,
                               swig_cast_info *entry)
{
    if (!derived || !base)
        return;
    entry->type = derived;
    entry->converter = convert;
    entry->prev = 0;
    entry->next = base->cast;
    if (base->cast)
        base->cast->prev = entry;
    base->cast = entry;
}

static void *KyPy_DeviceAdapterToIKyDeviceAdapter(void *x, int *)
{
    return static_cast<IKyDeviceAdapter *>(static_cast<KyDeviceAdapter *>(x));
}

static void *KyPy_DeviceAdapterToGenEventSink(void *x, int *)
{
    return static_cast<KyGenEventSink *>(static_cast<KyDeviceAdapter *>(x));
}
%}

%init %{
{
    static swig_cast_info adapterCasts[2];
    KyPy_AddUpcast(SWIGTYPE_p_KyDeviceAdapter, SWIGTYPE_p_IKyDeviceAdapter, KyPy_DeviceAdapterToIKyDeviceAdapter,
                   &adapterCasts[0]);
    KyPy_AddUpcast(SWIGTYPE_p_KyDeviceAdapter, SWIGTYPE_p_KyGenEventSink, KyPy_DeviceAdapterToGenEventSink,
                   &adapterCasts[1]);
}
%}

%feature("director", "0") KyDeviceAdapter;
%ignore KyDeviceAdapter::OnLinkDisconnected;
%ignore KyDeviceAdapter::OnEvent;
%ignore KyDeviceAdapter::OnParameterUpdate;
%warnfilter(401) KyDeviceAdapter;
%apply unsigned int &KY_OUT_IF_OK_TUPLE { uint32_t &aValue };
%apply KyString &KY_OUT_TEXT_TUPLE { KyString &aID };
%include "ky/device/KyDeviceAdapter.h"
%clear uint32_t &aValue;
%clear KyString &aID;
