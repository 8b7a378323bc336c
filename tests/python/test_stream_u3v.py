"""The USB3 Vision stream binding without a device: the ten-form Open dispatcher (argument texts,
counts, numbers out of range), GetGUID's KyString, GetType, and the SDK's answers that come back
as results."""
import pytest

import _tavro_python as native
import tavro_python as ky


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
