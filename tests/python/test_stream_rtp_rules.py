"""The RTP stream without a sender: the open dispatcher's forms and texts, PrepareFor's forms,
argument errors, the getters of a closed stream, and the session pointer type. Nothing here binds a
socket: the forms that would are given addresses the SDK refuses first, and its answer tells the
form."""
import pytest

import _tavro_python as native
import tavro_python as ky


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


def overload_text(function, prototypes):
    return ("Wrong number or type of arguments for overloaded function '%s'.\n  Possible C/C++ prototypes are:\n"
            % function) + "".join("    %s\n" % p for p in prototypes)


def text_error(position):
    return "Argument %d: failed to create KyString from Python string" % position


OPEN = overload_text("KyStreamRTP_Open", [
    "KyStreamRTP::Open(KyDeviceInfo const *)",
    "KyStreamRTP::Open(KyString const &)",
    "KyStreamRTP::Open(KySessionInfoSDP const *,KyString const &,uint16_t)",
    "KyStreamRTP::Open(KySessionInfoSDP const *,KyString const &)",
    "KyStreamRTP::Open(KyString const &,uint16_t)",
    "KyStreamRTP::Open(KyString const &,uint16_t,KyString const &)"])
PREPARE = overload_text("KyStreamRTP_PrepareFor", [
    "KyStreamRTP::PrepareFor(uint32_t,uint32_t,KyPixelType,uint16_t)",
    "KyStreamRTP::PrepareFor(uint32_t,uint32_t,KyPixelType)"])

STREAM = ky.KyStreamRTP()
RESULT = ky.KyResult()
RGB8 = native.KyPixelRGB8

ERRORS = [
    ("open-port-too-big", native.KyStreamRTP_Open, (STREAM, "1.2.3.4", 70000), TypeError, OPEN),
    ("open-port-negative", native.KyStreamRTP_Open, (STREAM, "1.2.3.4", -1), TypeError, OPEN),
    ("open-port-float", native.KyStreamRTP_Open, (STREAM, "1.2.3.4", 5000.0), TypeError, OPEN),
    ("open-session-record", native.KyStreamRTP_Open, (STREAM, ky.KySessionInfo(), "1.2.3.4"), TypeError, OPEN),
    ("open-none-port", native.KyStreamRTP_Open, (STREAM, None, 5000), TypeError, text_error(3)),
    ("open-session-bad-local", native.KyStreamRTP_Open, (STREAM, None, 7, 5000), TypeError, text_error(3)),
    ("open-group-bad-local", native.KyStreamRTP_Open, (STREAM, "239.1.1.1", 5000, 7), TypeError, text_error(4)),
    ("open-int-text", native.KyStreamRTP_Open, (STREAM, 5), TypeError, text_error(2)),
    ("open-self-only", native.KyStreamRTP_Open, (STREAM,), TypeError, OPEN),
    ("open-not-rtp", native.KyStreamRTP_Open, (ky.KyStreamGEV(), "1.2.3.4", 5000), TypeError, OPEN),
    ("open-five", native.KyStreamRTP_Open, (STREAM, 1, 2, 3, 4), TypeError,
     "KyStreamRTP_Open expected at most 4 arguments, got 5\nAdditional information:\n" + OPEN),
    ("prepare-pixel-too-big", native.KyStreamRTP_PrepareFor, (STREAM, 640, 480, 2 ** 31), TypeError, PREPARE),
    ("prepare-width-negative", native.KyStreamRTP_PrepareFor, (STREAM, -1, 480, RGB8), TypeError, PREPARE),
    ("prepare-padding-too-big", native.KyStreamRTP_PrepareFor, (STREAM, 640, 480, RGB8, 65536), TypeError, PREPARE),
    ("prepare-float", native.KyStreamRTP_PrepareFor, (STREAM, 640.0, 480, RGB8), TypeError, PREPARE),
    ("prepare-two", native.KyStreamRTP_PrepareFor, (STREAM, 640, 480), TypeError, PREPARE),
    ("prepare-six", native.KyStreamRTP_PrepareFor, (STREAM, 1, 2, 3, 4, 5), TypeError,
     "KyStreamRTP_PrepareFor expected at most 5 arguments, got 6\nAdditional information:\n" + PREPARE),
    ("tcp-port-type", native.KyStreamRTP_OpenTCP, (STREAM, "127.0.0.1", "x"), TypeError,
     arg_text("KyStreamRTP_OpenTCP", 3, "uint16_t")),
    ("tcp-port-negative", native.KyStreamRTP_OpenTCP, (STREAM, "127.0.0.1", -1), OverflowError,
     arg_text("KyStreamRTP_OpenTCP", 3, "uint16_t")),
    ("tcp-port-too-big", native.KyStreamRTP_OpenTCP, (STREAM, "127.0.0.1", 65536), OverflowError,
     arg_text("KyStreamRTP_OpenTCP", 3, "uint16_t")),
    ("tcp-bad-text", native.KyStreamRTP_OpenTCP, (STREAM, 5, 5000), TypeError, text_error(2)),
    ("tcp-count", native.KyStreamRTP_OpenTCP, (STREAM, "127.0.0.1"), TypeError,
     "KyStreamRTP_OpenTCP expected 3 arguments, got 2"),
    ("priority-type", native.KyStreamRTP_SetThreadPriority, (STREAM, "x"), TypeError,
     arg_text("KyStreamRTP_SetThreadPriority", 2, "uint32_t")),
    ("priority-too-big", native.KyStreamRTP_SetThreadPriority, (STREAM, 2 ** 32), OverflowError,
     arg_text("KyStreamRTP_SetThreadPriority", 2, "uint32_t")),
    ("priority-negative", native.KyStreamRTP_SetThreadPriority, (STREAM, -1), OverflowError,
     arg_text("KyStreamRTP_SetThreadPriority", 2, "uint32_t")),
    # None as self is refused, never handed to the SDK as a null stream.
    ("open-none-self", native.KyStreamRTP_Open, (None, "1.2.3.4", 5000), TypeError,
     arg_text("KyStreamRTP_Open", 1, "KyStreamRTP *")),
    ("prepare-none-self", native.KyStreamRTP_PrepareFor, (None, 640, 480, RGB8), TypeError,
     arg_text("KyStreamRTP_PrepareFor", 1, "KyStreamRTP *")),
    ("tcp-none-self", native.KyStreamRTP_OpenTCP, (None, "127.0.0.1", 5000), TypeError,
     arg_text("KyStreamRTP_OpenTCP", 1, "KyStreamRTP *")),
    ("port-none-self", native.KyStreamRTP_GetLocalPort, (None,), TypeError,
     arg_text("KyStreamRTP_GetLocalPort", 1, "KyStreamRTP const *")),
    ("h264-not-rtp", native.KyStreamRTP_PrepareForH264, (RESULT,), TypeError,
     arg_text("KyStreamRTP_PrepareForH264", 1, "KyStreamRTP *")),
    ("reset-not-rtp", native.KyStreamRTP_ResetPayloadType, (ky.KyStreamGEV(),), TypeError,
     arg_text("KyStreamRTP_ResetPayloadType", 1, "KyStreamRTP *")),
] + [
    ("%s-const-self" % getter, getattr(native, "KyStreamRTP_" + getter), (RESULT,), TypeError,
     arg_text("KyStreamRTP_" + getter, 1, "KyStreamRTP const *"))
    for getter in ("GetType", "GetLocalPort", "GetLocalIPAddress", "GetMulticastIPAddress", "GetTCPServerIPAddress",
                   "GetTCPServerPort", "GetThreadPriority")
]


@pytest.mark.parametrize("function,args,error,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_argument_errors(function, args, error, text):
    with pytest.raises(error) as raised:
        function(*args)
    assert str(raised.value) == text


# Forms told apart by the SDK's answer to addresses it refuses before binding anything.
FORMS = [
    ("device-info", (ky.KyDeviceInfoGEV(),), ky.KY_INVALID_PARAMETER, "is not a device's IPv4 address"),
    ("device-info-none", (None,), ky.KY_INVALID_PARAMETER, "device information record"),
    ("device-info-u3v", (ky.KyDeviceInfoU3V(),), ky.KY_NOT_SUPPORTED, "GigE Vision devices only"),
    ("device-string", ("127.0.0.1",), ky.KY_NOT_CONNECTED, "this process controls"),
    ("device-string-text", ("camera",), ky.KY_INVALID_PARAMETER, "is not a device's IPv4 address"),
    ("session-no-port", (None, "127.0.0.1"), ky.KY_INVALID_PARAMETER, "session description"),
    ("session-port", (None, "127.0.0.1", 5000), ky.KY_INVALID_PARAMETER, "session description"),
    ("unicast", ("not an address", 5000), ky.KY_INVALID_PARAMETER, "is not an IPv4 address"),
    ("unicast-kystring", (ky.KyString("not an address"), True), ky.KY_INVALID_PARAMETER, "is not an IPv4 address"),
    ("multicast", ("10.1.1.1", 5000, ""), ky.KY_INVALID_PARAMETER, "is no IPv4 multicast group"),
    ("multicast-port-0", ("239.1.1.1", 0, ""), ky.KY_INVALID_PARAMETER, "needs the port"),
]


@pytest.mark.parametrize("args,code,text", [c[1:] for c in FORMS], ids=[c[0] for c in FORMS])
def test_open_forms(args, code, text):
    stream = ky.KyStreamRTP()
    r = native.KyStreamRTP_Open(stream, *args)
    assert type(r) is ky.KyResult and r.thisown
    assert r.GetCode() == code and text in str(r.GetDescription()), str(r.GetDescription())
    assert native.KyStream_IsOpen(stream) is False


def test_closed_stream_answers(priority_in_effect):
    stream = ky.KyStreamRTP()
    assert stream.thisown and isinstance(stream, ky.KyStream)
    assert native.KyStreamRTP_GetType(stream) == ky.KyStreamTypeRTP == 2 == native.KyStream_GetType(stream)
    for getter in ("GetLocalIPAddress", "GetMulticastIPAddress", "GetTCPServerIPAddress"):
        text = getattr(native, "KyStreamRTP_" + getter)(stream)
        assert type(text) is ky.KyString and text.thisown and str(text) == ""
    assert native.KyStreamRTP_GetLocalPort(stream) == 0
    assert native.KyStreamRTP_GetTCPServerPort(stream) == 0
    assert native.KyStreamRTP_GetThreadPriority(stream) == 0
    # 0 to 99; what the getter answers is the priority in effect.
    assert native.KyStreamRTP_SetThreadPriority(stream, 2 ** 32 - 1).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyStreamRTP_GetThreadPriority(stream) == 0
    assert native.KyStreamRTP_SetThreadPriority(stream, 5).IsOK()
    assert native.KyStreamRTP_GetThreadPriority(stream) == priority_in_effect(5)
    # PrepareFor: three values pass padding 0; a pixel type outside the enumeration is passed on.
    assert native.KyStreamRTP_PrepareFor(stream, 640, 480, native.KyPixelRGB8).IsOK()
    assert native.KyStreamRTP_PrepareFor(stream, 640, 480, native.KyPixelYUV422_8_UYVY, 2).IsOK()
    assert native.KyStreamRTP_PrepareFor(stream, 640, 480, 12345).GetCode() == ky.KY_NOT_SUPPORTED
    assert native.KyStreamRTP_PrepareFor(stream, 0, 480, native.KyPixelRGB8).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyStreamRTP_PrepareForH264(stream).IsOK()
    assert native.KyStreamRTP_ResetPayloadType(stream).IsOK()
    assert native.KyStreamRTP_OpenTCP(stream, "no address", 5000).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyStreamRTP_OpenTCP(stream, "127.0.0.1", 0).GetCode() == ky.KY_INVALID_PARAMETER
    buffer = ky.KyBuffer(ky.KyPayloadTypeImage)
    assert buffer.Alloc(64).IsOK()
    assert native.KyStream_QueueBuffer(stream, buffer).GetCode() == ky.KY_NOT_CONNECTED


def test_session_pointer_type_is_known_by_name_only():
    assert not hasattr(native, "new_KySessionInfoSDP") and not hasattr(ky, "KySessionInfoSDP")
