"""The buffer converter and its RGB filter: Bayer mosaics to BGR8 with both interpolations, wide
sources, refused pairs, gains, offsets and white balance, the Convert dispatcher and its result
tuple, and the argument errors."""
import _tavro_python as native
import numpy as np
import pytest
import tavro_python

# Position of red in the 2 x 2 pattern that starts at (0, 0): (x, y).
PATTERNS = {"RG": (0, 0), "GR": (1, 0), "GB": (0, 1), "BG": (1, 1)}


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


def dispatch_text(function, *prototypes):
    return ("Wrong number or type of arguments for overloaded function '%s'.\n"
            "  Possible C/C++ prototypes are:\n" % function + "".join("    %s\n" % p for p in prototypes))


CONVERT_PROTOTYPES = [
    "KyBufferConverter::Convert(KyBuffer const *,KyBuffer *,bool,bool)",
    "KyBufferConverter::Convert(KyBuffer const *,KyBuffer *,bool)",
    "KyBufferConverter::Convert(KyBuffer const *,KyBuffer *)",
    "KyBufferConverter::Convert(IKyImage const *,KyBuffer *,bool,bool)",
    "KyBufferConverter::Convert(IKyImage const *,KyBuffer *,bool)",
    "KyBufferConverter::Convert(IKyImage const *,KyBuffer *)",
]
NEW_PROTOTYPES = ["KyBufferConverter::KyBufferConverter(int32_t)", "KyBufferConverter::KyBufferConverter()"]


def image_buffer(pixels, pixel_type):
    """An owned buffer whose own image memory holds a copy of the array."""
    buffer = native.new_KyBuffer()
    image = native.KyBuffer_GetImage(buffer)
    height, width = pixels.shape[:2]
    assert native.KyImage_Alloc(image, width, height, pixel_type) == native.KY_OK
    native.IKyImage_GetDataPointer(image)[...] = pixels
    return buffer


def destination(pixel_type=native.KyPixelBGR8):
    buffer = native.new_KyBuffer()
    assert native.KyImage_Alloc(native.KyBuffer_GetImage(buffer), 1, 1, pixel_type) == native.KY_OK
    return buffer


def converted(converter, source, pixel_type=native.KyPixelBGR8, *flags):
    out = destination(pixel_type)
    result, same = native.KyBufferConverter_Convert(converter, source, out, *flags)
    assert result == native.KY_OK, str(native.KyResult_GetDescription(result))
    assert same == out and same is not out
    return native.IKyImage_GetDataPointer(native.KyBuffer_GetImage(out)).copy()


def colour_planes(height, width, red_at):
    """Boolean masks of the red, green and blue sites of a Bayer pattern."""
    ys, xs = np.mgrid[0:height, 0:width]
    red_column, red_row = (xs & 1) == red_at[0], (ys & 1) == red_at[1]
    return red_column & red_row, red_column != red_row, ~red_column & ~red_row


def reference_3x3(mosaic, red_at):
    """Bilinear: the rounded mean of the nearest samples of each missing colour, borders
    mirrored about the edge pixel."""
    m = np.pad(mosaic.astype(np.int64), 1, mode="reflect")
    c = m[1:-1, 1:-1]
    left, right, up, down = m[1:-1, :-2], m[1:-1, 2:], m[:-2, 1:-1], m[2:, 1:-1]
    cross = (left + right + up + down + 2) >> 2
    diagonal = (m[:-2, :-2] + m[:-2, 2:] + m[2:, :-2] + m[2:, 2:] + 2) >> 2
    across, up_down = (left + right + 1) >> 1, (up + down + 1) >> 1
    red, green, blue = colour_planes(*mosaic.shape, red_at)
    green_in_red_row = green & ((np.mgrid[0:mosaic.shape[0], 0:mosaic.shape[1]][0] & 1) == red_at[1])
    r = np.where(red, c, np.where(blue, diagonal, np.where(green_in_red_row, across, up_down)))
    g = np.where(green, c, cross)
    b = np.where(blue, c, np.where(red, diagonal, np.where(green_in_red_row, up_down, across)))
    return np.stack([b, g, r], axis=-1).astype(np.uint8)


def reference_simple(mosaic, red_at):
    """Each pixel takes the colours of its 2 x 2 cell (the last cell of an odd size starts one
    pixel earlier); green is the rounded-up mean of the cell's two greens."""
    height, width = mosaic.shape
    out = np.zeros((height, width, 3), np.uint8)
    red, green, blue = colour_planes(height, width, red_at)
    for y in range(height):
        for x in range(width):
            cx, cy = min(x & ~1, width - 2), min(y & ~1, height - 2)
            cell = (slice(cy, cy + 2), slice(cx, cx + 2))
            values = mosaic[cell].astype(np.int64)
            greens = values[green[cell]]
            out[y, x] = (values[blue[cell]][0], (greens.sum() + 1) >> 1, values[red[cell]][0])
    return out


MOSAIC = np.random.default_rng(7).integers(0, 256, size=(7, 10), dtype=np.uint8)


@pytest.mark.parametrize("pattern", sorted(PATTERNS))
@pytest.mark.parametrize("bayer_filter,reference", [(native.KyBayerFilterSimple, reference_simple),
                                                    (native.KyBayerFilter3X3, reference_3x3)],
                         ids=["simple", "3x3"])
def test_known_mosaics_to_bgr8(pattern, bayer_filter, reference):
    converter = native.new_KyBufferConverter(1)
    assert native.KyBufferConverter_SetBayerFilter(converter, bayer_filter) == native.KY_OK
    assert native.KyBufferConverter_GetBayerFilter(converter) == bayer_filter
    source = image_buffer(MOSAIC, getattr(native, "KyPixelBayer%s8" % pattern))
    np.testing.assert_array_equal(converted(converter, source), reference(MOSAIC, PATTERNS[pattern]))


@pytest.mark.parametrize("bayer_filter", [native.KyBayerFilterSimple, native.KyBayerFilter3X3])
def test_a_uniform_mosaic_gives_its_colour_everywhere(bayer_filter):
    red, green, blue = colour_planes(6, 8, PATTERNS["GB"])
    mosaic = np.where(red, 200, np.where(green, 100, 50)).astype(np.uint8)
    converter = native.new_KyBufferConverter()
    assert native.KyBufferConverter_SetBayerFilter(converter, bayer_filter) == native.KY_OK
    bgr = converted(converter, image_buffer(mosaic, native.KyPixelBayerGB8))
    assert bgr.shape == (6, 8, 3) and (bgr == [50, 100, 200]).all()


def test_wide_sources_convert_by_their_high_bits():
    wide = MOSAIC.astype(np.uint16) << 4 | 0xF  # 12 bits whose low 4 must not matter
    converter = native.new_KyBufferConverter()
    expected = converted(converter, image_buffer(MOSAIC, native.KyPixelBayerRG8))
    np.testing.assert_array_equal(converted(converter, image_buffer(wide, native.KyPixelBayerRG12)), expected)
    grey = converted(converter, image_buffer(wide, native.KyPixelMono12), native.KyPixelMono8)
    np.testing.assert_array_equal(grey, MOSAIC)


def test_flip_and_the_image_form():
    converter = native.new_KyBufferConverter()
    source = image_buffer(MOSAIC, native.KyPixelMono8)
    flipped = converted(converter, source, native.KyPixelBGR8, True, True)
    np.testing.assert_array_equal(flipped[..., 0], MOSAIC[::-1])
    # a KyImage source takes the image form
    out = destination()
    result, same = native.KyBufferConverter_Convert(converter, native.KyBuffer_GetImage(source), out)
    assert result == native.KY_OK and same == out
    # no re-allocation allowed: a 1 x 1 destination is too small
    result, same = native.KyBufferConverter_Convert(converter, source, destination(), False)
    assert result == native.KY_BUFFER_TOO_SMALL and same is None


@pytest.mark.parametrize("flags,form", [((), "buffer"), ((True,), "image"), ((True, False), "buffer")],
                         ids=["3-arguments", "4-arguments", "5-arguments"])
def test_a_none_source_reaches_the_form_probed_first(flags, form):
    result, out = native.KyBufferConverter_Convert(native.new_KyBufferConverter(), None, destination(), *flags)
    assert result == native.KY_INVALID_PARAMETER and out is None
    expected = "no source buffer" if form == "buffer" else "no source image"
    assert str(native.KyResult_GetDescription(result)) == "[KyBufferConverter::Convert] " + expected


UNSUPPORTED = [
    # (case name, source type, destination type)
    ("colour-to-mono", native.KyPixelBayerRG8, native.KyPixelMono8),
    ("rgb-to-mono", native.KyPixelRGB8, native.KyPixelMono8),
    ("from-yuv", native.KyPixelYUV422_8, native.KyPixelBGR8),
    ("to-bayer", native.KyPixelBGR8, native.KyPixelBayerRG8),
    ("to-wide", native.KyPixelMono8, native.KyPixelMono16),
]


@pytest.mark.parametrize("source_type,destination_type", [c[1:] for c in UNSUPPORTED],
                         ids=[c[0] for c in UNSUPPORTED])
def test_unsupported_pairs_are_refused(source_type, destination_type):
    assert native.KyBufferConverter_IsConversionSupported(source_type, destination_type) is False
    source = native.new_KyBuffer()
    assert native.KyImage_Alloc(native.KyBuffer_GetImage(source), 4, 4, source_type) == native.KY_OK
    result, out = native.KyBufferConverter_Convert(native.new_KyBufferConverter(), source,
                                                   destination(destination_type))
    assert result == native.KY_INVALID_PARAMETER and out is None
    assert str(native.KyResult_GetDescription(result)).startswith("[KyBufferConverter::Convert] cannot convert ")


def test_supported_pairs():
    for source_type in (native.KyPixelBayerRG8, native.KyPixelBayerBG12Packed, native.KyPixelMono10p,
                        native.KyPixelRGB16, native.KyPixelBGRa8):
        assert native.KyBufferConverter_IsConversionSupported(source_type, native.KyPixelBGR8) is True
    assert native.KyBufferConverter_IsConversionSupported(native.KyPixelMono16, native.KyPixelMono8) is True


def test_colour_sources_match_opencv():
    """YUV422_8_UYVY, RGB and RGBa of 8 and 16 bits to BGR8 (and UYVY to Mono8) next to OpenCV."""
    import cv2  # python3-opencv, of the tests group of scripts/install-deps
    rng = np.random.default_rng(30)
    height, width = 24, 40
    converter = native.new_KyBufferConverter()

    uyvy = rng.integers(0, 256, (height, width, 2), np.uint8)
    source = image_buffer(uyvy, native.KyPixelYUV422_8_UYVY)
    got = converted(converter, source).astype(int)
    assert np.abs(got - cv2.cvtColor(uyvy, cv2.COLOR_YUV2BGR_UYVY)).max() <= 1
    got = converted(converter, source, native.KyPixelRGB8).astype(int)
    assert np.abs(got - cv2.cvtColor(uyvy, cv2.COLOR_YUV2RGB_UYVY)).max() <= 1
    assert np.array_equal(converted(converter, source, native.KyPixelMono8),
                          cv2.cvtColor(uyvy, cv2.COLOR_YUV2GRAY_UYVY))

    # Wide samples keep their 8 high bits.
    rgb16 = rng.integers(0, 65536, (height, width, 3), np.uint16)
    high = (rgb16 >> 8).astype(np.uint8)
    for pixel_type, code in ((native.KyPixelRGB16, cv2.COLOR_RGB2BGR), (native.KyPixelBGR16, None)):
        expected = cv2.cvtColor(high, code) if code is not None else high
        assert np.array_equal(converted(converter, image_buffer(rgb16, pixel_type)), expected)
    rgba8 = rng.integers(0, 256, (height, width, 4), np.uint8)
    assert np.array_equal(converted(converter, image_buffer(rgba8, native.KyPixelRGBa8)),
                          cv2.cvtColor(rgba8, cv2.COLOR_RGBA2BGR))
    rgba16 = rng.integers(0, 65536, (height, width, 4), np.uint16)
    assert np.array_equal(converted(converter, image_buffer(rgba16, native.KyPixelRGBa16)),
                          cv2.cvtColor((rgba16 >> 8).astype(np.uint8), cv2.COLOR_RGBA2BGR))


def test_gains_and_offsets_apply_per_colour():
    rgb = np.array([[[100, 5, 9], [200, 50, 255]]], np.uint8)
    source = image_buffer(rgb, native.KyPixelRGB8)
    colour_filter = native.new_KyBufferConverterRGBFilter()
    assert native.KyBufferConverterRGBFilter_SetGainR(colour_filter, 2) is None  # an int is a float here
    assert native.KyBufferConverterRGBFilter_GetGainR(colour_filter) == 2.0
    assert native.KyBufferConverterRGBFilter_SetOffsetG(colour_filter, -10) is None
    assert native.KyBufferConverterRGBFilter_SetGainB(colour_filter, 0.5) is None
    assert native.KyBufferConverterRGBFilter_SetOffsetB(colour_filter, 1) is None
    assert [native.KyBufferConverterRGBFilter_GetOffsetR(colour_filter),
            native.KyBufferConverterRGBFilter_GetOffsetG(colour_filter),
            native.KyBufferConverterRGBFilter_GetOffsetB(colour_filter)] == [0, -10, 1]
    converter = native.new_KyBufferConverter()
    assert native.KyBufferConverter_SetRGBFilter(converter, colour_filter) == native.KY_OK
    # R 2x (held at 255), G - 10 (held at 0), B 0.5x + 1 rounded half to even
    np.testing.assert_array_equal(converted(converter, source, native.KyPixelRGB8),
                                  [[[200, 0, 6], [255, 40, 128]]])
    # the converter took a copy: later changes to the filter need another SetRGBFilter
    native.KyBufferConverterRGBFilter_Reset(colour_filter)
    assert native.KyBufferConverterRGBFilter_GetGainR(colour_filter) == 1.0
    np.testing.assert_array_equal(converted(converter, source, native.KyPixelRGB8)[0, 0], [200, 0, 6])
    assert native.KyBufferConverter_ResetRGBFilter(converter) == native.KY_OK
    np.testing.assert_array_equal(converted(converter, source, native.KyPixelRGB8), rgb)


def test_white_balance_from_a_mosaic():
    # red 10, greens 40 and 60, blue 25 on every cell: gains 5, 1, 2
    mosaic = np.tile(np.array([[10, 40], [60, 25]], np.uint8), (2, 3))
    colour_filter = tavro_python.KyBufferConverterRGBFilter()
    assert colour_filter.thisown
    assert colour_filter.WhiteBalance(image_buffer(mosaic, native.KyPixelBayerRG8)) == native.KY_OK
    assert (colour_filter.GetGainR(), colour_filter.GetGainG(), colour_filter.GetGainB()) == (5.0, 1.0, 2.0)
    # applied by a converter, the mosaic comes out grey
    converter = tavro_python.KyBufferConverter()
    assert converter.SetBayerFilter(native.KyBayerFilterSimple) == native.KY_OK
    assert converter.SetRGBFilter(colour_filter) == native.KY_OK
    bgr = converted(converter, image_buffer(mosaic, native.KyPixelBayerRG8))
    assert (bgr == 50).all()
    # no sample: refused, gains kept
    assert colour_filter.WhiteBalance(None) == native.KY_INVALID_PARAMETER
    assert colour_filter.GetGainR() == 5.0


def test_constructors_settings_and_ownership(priority_in_effect):
    assert native.KyBufferConverter_GetConversionThreadsPriority(native.new_KyBufferConverter(0)) == 0
    converter = tavro_python.KyBufferConverter(2)
    assert converter.thisown
    assert converter.SetConversionThreadsPriority(3) == native.KY_OK
    # The priority in effect: 3 where the process may use real-time scheduling, else 0.
    assert converter.GetConversionThreadsPriority() == priority_in_effect(3)
    assert converter.SetConversionThreadsPriority(100) == native.KY_INVALID_PARAMETER
    assert converter.SetBayerFilter(7) == native.KY_INVALID_PARAMETER
    assert converter.GetBayerFilter() == native.KyBayerFilter3X3
    assert native.delete_KyBufferConverter(native.new_KyBufferConverter()) is None
    assert native.delete_KyBufferConverterRGBFilter(native.new_KyBufferConverterRGBFilter()) is None


ERRORS = [
    # (case name, function, arguments, exception, exact text)
    ("new-too-big", native.new_KyBufferConverter, (2 ** 31,), TypeError,
     dispatch_text("new_KyBufferConverter", *NEW_PROTOTYPES)),
    ("new-float", native.new_KyBufferConverter, (1.0,), TypeError,
     dispatch_text("new_KyBufferConverter", *NEW_PROTOTYPES)),
    ("new-two", native.new_KyBufferConverter, (1, 2), TypeError,
     "new_KyBufferConverter expected at most 1 arguments, got 2\n"
     "Additional information:\n" + dispatch_text("new_KyBufferConverter", *NEW_PROTOTYPES)),
    ("convert-int-flag", native.KyBufferConverter_Convert,
     (native.new_KyBufferConverter(), native.new_KyBuffer(), native.new_KyBuffer(), 1), TypeError,
     dispatch_text("KyBufferConverter_Convert", *CONVERT_PROTOTYPES)),
    ("convert-image-destination", native.KyBufferConverter_Convert,
     (native.new_KyBufferConverter(), native.new_KyBuffer(), native.KyBuffer_GetImage(native.new_KyBuffer())),
     TypeError, dispatch_text("KyBufferConverter_Convert", *CONVERT_PROTOTYPES)),
    ("convert-two", native.KyBufferConverter_Convert, (native.new_KyBufferConverter(), native.new_KyBuffer()),
     TypeError, dispatch_text("KyBufferConverter_Convert", *CONVERT_PROTOTYPES)),
    ("supported-too-big", native.KyBufferConverter_IsConversionSupported, (0x80000000, native.KyPixelBGR8),
     OverflowError, arg_text("KyBufferConverter_IsConversionSupported", 1, "KyPixelType")),
    ("supported-text", native.KyBufferConverter_IsConversionSupported, (native.KyPixelMono8, "BGR8"),
     TypeError, arg_text("KyBufferConverter_IsConversionSupported", 2, "KyPixelType")),
    ("filter-none", native.KyBufferConverter_SetRGBFilter, (native.new_KyBufferConverter(), None), ValueError,
     "invalid null reference " + arg_text("KyBufferConverter_SetRGBFilter", 2, "KyBufferConverterRGBFilter &")),
    ("filter-wrong", native.KyBufferConverter_SetRGBFilter, (native.new_KyBufferConverter(), native.new_KyBuffer()),
     TypeError, arg_text("KyBufferConverter_SetRGBFilter", 2, "KyBufferConverterRGBFilter &")),
    ("bayer-text", native.KyBufferConverter_SetBayerFilter, (native.new_KyBufferConverter(), "3x3"), TypeError,
     arg_text("KyBufferConverter_SetBayerFilter", 2, "KyBayerFilterType")),
    ("priority-negative", native.KyBufferConverter_SetConversionThreadsPriority,
     (native.new_KyBufferConverter(), -1), OverflowError,
     arg_text("KyBufferConverter_SetConversionThreadsPriority", 2, "uint32_t")),
    ("converter-none", native.KyBufferConverter_GetBayerFilter, (None,), TypeError,
     arg_text("KyBufferConverter_GetBayerFilter", 1, "KyBufferConverter const *")),
    ("gain-text", native.KyBufferConverterRGBFilter_SetGainB, (native.new_KyBufferConverterRGBFilter(), "2"),
     TypeError, arg_text("KyBufferConverterRGBFilter_SetGainB", 2, "double")),
    ("offset-float", native.KyBufferConverterRGBFilter_SetOffsetR, (native.new_KyBufferConverterRGBFilter(), 2.0),
     TypeError, arg_text("KyBufferConverterRGBFilter_SetOffsetR", 2, "int32_t")),
    ("balance-image", native.KyBufferConverterRGBFilter_WhiteBalance,
     (native.new_KyBufferConverterRGBFilter(), native.KyBuffer_GetImage(native.new_KyBuffer())), TypeError,
     arg_text("KyBufferConverterRGBFilter_WhiteBalance", 2, "KyBuffer *")),
    ("rgb-filter-none", native.KyBufferConverterRGBFilter_GetGainR, (None,), TypeError,
     arg_text("KyBufferConverterRGBFilter_GetGainR", 1, "KyBufferConverterRGBFilter const *")),
    ("rgb-filter-none-setter", native.KyBufferConverterRGBFilter_Reset, (None,), TypeError,
     arg_text("KyBufferConverterRGBFilter_Reset", 1, "KyBufferConverterRGBFilter *")),
]


@pytest.mark.parametrize("function,arguments,exception,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_argument_errors(function, arguments, exception, text):
    with pytest.raises(exception) as raised:
        function(*arguments)
    assert str(raised.value) == text
