"""The frame-rate stabilizer and the pixel bit count."""
import _tavro_python as native
import pytest
import tavro_python


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


def test_stabilizer_thins_out_frames_to_the_target():
    stabilizer = native.new_KyFPSStabilizer()
    assert native.KyFPSStabilizer_GetAverage(stabilizer) == 0
    assert native.KyFPSStabilizer_IsTimeToDisplay(stabilizer, 1) is True
    # at most one frame a second: the next ones, at once, are not shown
    assert [native.KyFPSStabilizer_IsTimeToDisplay(stabilizer, 1) for _ in range(5)] == [False] * 5
    assert native.KyFPSStabilizer_GetAverage(stabilizer) == 1
    assert native.KyFPSStabilizer_Reset(stabilizer) is None
    assert native.KyFPSStabilizer_GetAverage(stabilizer) == 0
    # a target of 0 shows every frame
    assert all(native.KyFPSStabilizer_IsTimeToDisplay(stabilizer, 0) for _ in range(3))
    assert native.delete_KyFPSStabilizer(stabilizer) is None


def test_stabilizer_proxy_owns_its_object():
    stabilizer = tavro_python.KyFPSStabilizer()
    assert stabilizer.thisown
    assert stabilizer.IsTimeToDisplay(30) is True
    del stabilizer


ERRORS = [
    # (case name, function, arguments, exception, exact text)
    ("target-negative", native.KyFPSStabilizer_IsTimeToDisplay, (native.new_KyFPSStabilizer(), -1), OverflowError,
     arg_text("KyFPSStabilizer_IsTimeToDisplay", 2, "uint32_t")),
    ("target-float", native.KyFPSStabilizer_IsTimeToDisplay, (native.new_KyFPSStabilizer(), 30.0), TypeError,
     arg_text("KyFPSStabilizer_IsTimeToDisplay", 2, "uint32_t")),
    ("target-too-big", native.KyFPSStabilizer_IsTimeToDisplay, (native.new_KyFPSStabilizer(), 2 ** 32),
     OverflowError, arg_text("KyFPSStabilizer_IsTimeToDisplay", 2, "uint32_t")),
    ("stabilizer-none", native.KyFPSStabilizer_GetAverage, (None,), TypeError,
     arg_text("KyFPSStabilizer_GetAverage", 1, "KyFPSStabilizer *")),
    ("new-with-argument", native.new_KyFPSStabilizer, (1,), TypeError,
     "_tavro_python.new_KyFPSStabilizer() takes no arguments (1 given)"),
    ("bit-count-too-big", native.KyGetPixelBitCount, (2 ** 31,), OverflowError,
     arg_text("KyGetPixelBitCount", 1, "KyPixelType")),
    ("bit-count-text", native.KyGetPixelBitCount, ("Mono8",), TypeError,
     arg_text("KyGetPixelBitCount", 1, "KyPixelType")),
]


@pytest.mark.parametrize("function,args,error,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_argument_errors(function, args, error, text):
    with pytest.raises(error) as raised:
        function(*args)
    assert type(raised.value) is error
    assert str(raised.value) == text


@pytest.mark.parametrize("pixel_type,bits", [
    (native.KyPixelMono8, 8), (native.KyPixelMono12Packed, 12), (native.KyPixelMono16, 16),
    (native.KyPixelRGB8, 24), (native.KyPixelRGBa16, 64), (native.KyPixelMono32, 32),
    (-2 ** 31, 0), (0x7FFF0000, 0xFF), (True, 0)])
def test_pixel_bit_count(pixel_type, bits):
    assert native.KyGetPixelBitCount(pixel_type) == bits
