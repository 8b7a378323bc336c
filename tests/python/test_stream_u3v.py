"""The USB3 Vision stream binding: the ten-form Open dispatcher (argument texts, counts, numbers out
of range, the defaults it fills in), GetGUID's KyString, GetType, the SDK's answers that come back
as results, and frames of a simulated USB3 Vision camera pixel-exact through a pipeline.

The camera is plugged into this process's simulated USB host controller for each test that needs
one (simulated USB is in-process: no socket is opened)."""
import threading

import numpy
import pytest

import _tavro_python as native
import tavro_python as ky
import tavro_testing as testing


def overload_text(function, prototypes):
    return ("Wrong number or type of arguments for overloaded function '%s'.\n  Possible C/C++ prototypes are:\n"
            % function) + "".join("    %s\n" % p for p in prototypes)


U3V_OPEN = overload_text("KyStreamU3V_Open", [
    "KyStreamU3V::Open(KyDeviceInfo const *)",
    "KyStreamU3V::Open(KyDeviceInfo const *,uint16_t,uint32_t,uint32_t,uint32_t)",
    "KyStreamU3V::Open(KyDeviceInfo const *,uint16_t,uint32_t,uint32_t)",
    "KyStreamU3V::Open(KyDeviceInfo const *,uint16_t,uint32_t)",
    "KyStreamU3V::Open(KyDeviceInfo const *,uint16_t)",
    "KyStreamU3V::Open(KyString const &)",
    "KyStreamU3V::Open(KyString const &,uint16_t,uint32_t,uint32_t,uint32_t)",
    "KyStreamU3V::Open(KyString const &,uint16_t,uint32_t,uint32_t)",
    "KyStreamU3V::Open(KyString const &,uint16_t,uint32_t)",
    "KyStreamU3V::Open(KyString const &,uint16_t)"])
GUID = "00C0FFEE0A17"
WIDTH, HEIGHT = 160, 120
WAIT_MS = 5000


@pytest.fixture
def camera():
    assert testing.PlugSoftU3v(GUID, "PyU3vS-1", "PyU3vStream", WIDTH, HEIGHT) == ky.KY_OK
    yield GUID
    testing.UnplugSoftU3v(GUID)  # already gone after an unplug test

TEXT_ERROR = "Argument 2: failed to create KyString from Python string"
STREAM = ky.KyStreamU3V()
RESULT = ky.KyResult()


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


ERRORS = [
    ("self-only", (STREAM,), U3V_OPEN),
    ("no-args", (), U3V_OPEN),
    ("six-values", (STREAM, None, 0, 1, 2, 3, 4), "KyStreamU3V_Open expected at most 6 arguments, got 7\n"
     "Additional information:\n" + U3V_OPEN),
    ("int-text", (STREAM, 5), TEXT_ERROR),
    ("int-text-channel", (STREAM, 5, 0), TEXT_ERROR),
    ("int-text-all", (STREAM, 5, 0, 1, 2, 3), TEXT_ERROR),
    ("channel-too-big", (STREAM, None, 65536), U3V_OPEN),
    ("channel-negative", (STREAM, "00A1B2C3D4E5", -1), U3V_OPEN),
    ("channel-float", (STREAM, None, 0.0), U3V_OPEN),
    ("capacity-float", (STREAM, None, 0, 1.5), U3V_OPEN),
    ("capacity-too-big", (STREAM, "00A1B2C3D4E5", 0, 2 ** 32), U3V_OPEN),
    ("threshold-negative", (STREAM, None, 0, 1, -1), U3V_OPEN),
    ("pending-text", (STREAM, None, 0, 1, 2, "3"), U3V_OPEN),
    ("self-not-u3v", (ky.KyStreamGEV(), "00A1B2C3D4E5"), U3V_OPEN),
    ("self-not-stream", (RESULT, None), U3V_OPEN),
    # A None self reaches no SDK call: the argument-1 error of the form it would have taken.
    ("self-none-text", (None, "00A1B2C3D4E5"), arg_text("KyStreamU3V_Open", 1, "KyStreamU3V *")),
    ("self-none-all", (None, None, 0, 1, 2, 3), arg_text("KyStreamU3V_Open", 1, "KyStreamU3V *")),
]


@pytest.mark.parametrize("args,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_open_argument_errors(args, text):
    with pytest.raises(TypeError) as raised:
        native.KyStreamU3V_Open(*args)
    assert str(raised.value) == text


SINGLE_ERRORS = [
    ("guid-not-u3v", native.KyStreamU3V_GetGUID, (RESULT,), arg_text("KyStreamU3V_GetGUID", 1, "KyStreamU3V *")),
    ("guid-none", native.KyStreamU3V_GetGUID, (None,), arg_text("KyStreamU3V_GetGUID", 1, "KyStreamU3V *")),
    ("type-not-u3v", native.KyStreamU3V_GetType, (ky.KyStreamGEV(),),
     arg_text("KyStreamU3V_GetType", 1, "KyStreamU3V const *")),
    ("delete-not-u3v", native.delete_KyStreamU3V, (RESULT,), arg_text("delete_KyStreamU3V", 1, "KyStreamU3V *")),
]


@pytest.mark.parametrize("function,args,text", [c[1:] for c in SINGLE_ERRORS], ids=[c[0] for c in SINGLE_ERRORS])
def test_single_form_argument_errors(function, args, text):
    with pytest.raises(TypeError) as raised:
        function(*args)
    assert str(raised.value) == text


# What the SDK answers without a device: every form reaches it and its status comes back.
ANSWERS = [
    ("info-none", (None,), ky.KY_INVALID_PARAMETER),
    ("text-no-guid", ("camera",), ky.KY_NOT_FOUND),
    ("text-kystring", (ky.KyString("FFFFFFFFFFFF"),), ky.KY_NOT_FOUND),
    ("text-empty", ("",), ky.KY_INVALID_PARAMETER),
    ("info-channel", (None, 0), ky.KY_INVALID_PARAMETER),
    ("info-gev-record", (ky.KyDeviceInfoGEV(), 0), ky.KY_NOT_SUPPORTED),
    ("info-u3v-record-no-device", (ky.KyDeviceInfoU3V(), 0), ky.KY_INVALID_PARAMETER),
    ("text-channel-bool", ("FFFFFFFFFFFF", True), ky.KY_NOT_FOUND),
    ("text-capacity-zero", ("FFFFFFFFFFFF", 0, 0), ky.KY_INVALID_PARAMETER),
    ("text-pending-zero", ("FFFFFFFFFFFF", 0, 1, 512, 0), ky.KY_INVALID_PARAMETER),
    ("info-all", (None, 65535, 4294967295, 4294967295, 4294967295), ky.KY_INVALID_PARAMETER),
    ("text-three", ("FFFFFFFFFFFF", 0, 1, 0), ky.KY_NOT_FOUND),
]


@pytest.mark.parametrize("args,code", [c[1:] for c in ANSWERS], ids=[c[0] for c in ANSWERS])
def test_open_answers_come_back_as_results(args, code):
    stream = ky.KyStreamU3V()
    result = native.KyStreamU3V_Open(stream, *args)
    assert isinstance(result, ky.KyResult)
    assert result.GetCode() == code
    assert not native.KyStream_IsOpen(stream)


def test_guid_and_type_of_a_never_opened_stream():
    stream = ky.KyStreamU3V()
    guid = native.KyStreamU3V_GetGUID(stream)
    assert isinstance(guid, ky.KyString)
    assert guid.GetAscii() == ""
    assert native.KyStreamU3V_GetType(stream) == ky.KyStreamTypeU3V == 1
    assert native.KyStream_GetType(stream) == 1
    assert isinstance(stream, ky.KyStream)
    assert native.KyStream_Close(stream).GetCode() == ky.KY_NOT_CONNECTED


def test_create_and_open_a_guid_nobody_has():
    result, stream = native.KyStream_CreateAndOpen("FFFFFFFFFFFF")
    assert result.GetCode() == ky.KY_NOT_FOUND and stream is None


_X = numpy.arange(WIDTH, dtype=numpy.uint32)[numpy.newaxis, :]
_Y = numpy.arange(HEIGHT, dtype=numpy.uint32)[:, numpy.newaxis]


def pattern(frame):
    """The soft camera's test pattern of a frame: (x + 3y + 5n + ((x ^ y) >> 4)) mod 256."""
    return ((_X + 3 * _Y + 5 * frame + ((_X ^ _Y) >> 4)) % 256).astype(numpy.uint8)


def integer(stream, name):
    r, value = native.KyGenParameterArray_GetIntegerValue(native.KyStream_GetParameters(stream), name)
    assert r.IsOK(), str(r.GetDescription())
    return value


def test_frames_of_the_simulated_camera_arrive_pixel_exact_through_a_pipeline(camera):
    result, stream = native.KyStream_CreateAndOpen(GUID)
    assert result.IsOK(), str(result.GetDescription())
    assert type(stream) is ky.KyStreamU3V and not stream.thisown
    guid = native.KyStreamU3V_GetGUID(stream)
    assert type(guid) is ky.KyString and guid.GetAscii() == GUID
    assert native.KyStream_GetType(stream) == ky.KyStreamTypeU3V
    r, device = native.KyDevice_CreateAndConnect(GUID)
    assert r.IsOK(), str(r.GetDescription())
    params = native.KyDevice_GetParameters(device)
    pipeline = ky.KyPipeline(stream)
    assert native.KyPipeline_SetBufferCount(pipeline, 8).IsOK()
    assert native.KyPipeline_Start(pipeline).IsOK()
    assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStart").IsOK()
    ids = []
    for _ in range(60):
        r, buffer, operation = native.KyPipeline_RetrieveNextBuffer(pipeline, WAIT_MS)
        assert r.IsOK(), str(r.GetDescription())
        if operation.IsOK():
            pixels = buffer.GetImage().GetDataPointer()
            assert pixels.shape == (HEIGHT, WIDTH) and pixels.dtype == numpy.uint8
            # Block ids count from 1 when the stream interface is enabled, frames from 0.
            assert numpy.array_equal(pixels, pattern(buffer.GetBlockID() - 1)), buffer.GetBlockID()
            ids.append(buffer.GetBlockID())
        assert native.KyPipeline_ReleaseBuffer(pipeline, buffer).IsOK()
        if len(ids) == 20:
            break
    assert len(ids) == 20 and ids == sorted(set(ids))
    assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStop").IsOK()
    assert native.KyPipeline_Stop(pipeline).IsOK()
    del pipeline
    assert integer(stream, "BlockCount") >= 20
    assert native.KyStream_Close(stream).IsOK()
    native.KyStream_Free(stream)
    native.KyDevice_Free(device)


# The values each form opens with: the module fills in what the caller leaves out.
FORMS = [
    ("base-text", (GUID,), (64, 512, 64)),
    ("kystring", (ky.KyString(GUID),), (64, 512, 64)),
    ("channel", (GUID, 0), (64, 512, 64)),
    ("capacity", (GUID, 0, 16), (16, 512, 64)),
    ("threshold", (GUID, 0, 16, 100000), (16, 100000, 64)),
    ("pending", (GUID, 0, 16, 100000, 5), (16, 100000, 5)),
    ("bool-capacity", (GUID, False, True), (1, 512, 64)),
]


@pytest.mark.parametrize("args,expected", [c[1:] for c in FORMS], ids=[c[0] for c in FORMS])
def test_open_forms_fill_in_the_defaults(camera, args, expected):
    stream = ky.KyStreamU3V()
    r = native.KyStreamU3V_Open(stream, *args)
    assert r.IsOK(), str(r.GetDescription())
    capacity, threshold, pending = expected
    assert native.KyStream_GetQueuedBufferMaximum(stream) == capacity
    assert integer(stream, "SmallImageThreshold") == threshold
    assert integer(stream, "MaximumNumberOfPendingURB") == pending
    assert integer(stream, "PayloadTransferCount") <= pending
    assert native.KyStream_GetChannel(stream) == 0
    assert native.KyStream_Close(stream).IsOK()


def test_a_channel_of_true_is_channel_one_which_the_camera_lacks(camera):
    stream = ky.KyStreamU3V()
    assert native.KyStreamU3V_Open(stream, GUID, True).GetCode() == ky.KY_NOT_FOUND
    assert native.KyStreamU3V_Open(stream, GUID, 0).IsOK()
    assert native.KyStreamU3V_Open(stream, GUID).GetCode() == ky.KY_STATE_ERROR
    second = ky.KyStreamU3V()
    assert native.KyStreamU3V_Open(second, GUID, 0, 4).GetCode() == ky.KY_BUSY
    del stream  # owned: deleting it closes it, and the camera is free again
    assert native.KyStreamU3V_Open(second, GUID, 0, 4).IsOK()


def test_unplugging_the_camera_ends_a_retrieve_waiting_for_ever(camera):
    stream = ky.KyStreamU3V()
    assert native.KyStreamU3V_Open(stream, GUID, 0, 4).IsOK()
    buffers = []
    for _ in range(2):
        b = ky.KyBuffer(ky.KyPayloadTypeImage)
        assert b.Alloc(WIDTH * HEIGHT).IsOK()
        assert native.KyStream_QueueBuffer(stream, b).GetCode() == ky.KY_PENDING
        buffers.append(b)
    # No acquisition runs: both retrievals wait until the camera goes away.
    got = []
    waiters = [threading.Thread(target=lambda: got.append(native.KyStream_RetrieveBuffer(stream)))
               for _ in buffers]
    for w in waiters:
        w.start()
    assert testing.UnplugSoftU3v(GUID) == ky.KY_OK
    for w in waiters:
        w.join(30)
        assert not w.is_alive(), "a retrieve still waits after the unplug"
    assert len(got) == 2
    for r, buffer, operation in got:
        assert r.IsOK() and buffer in buffers and operation.GetCode() == ky.KY_NOT_CONNECTED
    assert native.KyStream_IsOpen(stream) is False
    assert native.KyStream_QueueBuffer(stream, buffers[0]).GetCode() == ky.KY_NOT_CONNECTED
    r, buffer, operation = native.KyStream_RetrieveBuffer(stream, 0)
    assert r.GetCode() == ky.KY_NO_MORE_ITEM and buffer is None
