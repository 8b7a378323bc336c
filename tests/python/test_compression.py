"""The compression and decompression filters: Execute result tuples, IsCompressed and
GetOutputFormatFor, encodings, thread counts and priorities, round trips of numpy images, damaged
compressed bytes, and the argument errors."""
import _tavro_python as native
import numpy as np
import pytest
import tavro_python
import tavro_testing as testing

COMPRESSED = 32999  # KyPayloadTypeTesmarCompressed


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


def image_buffer(pixels, pixel_type):
    """An owned buffer whose own image memory holds a copy of the array."""
    buffer = native.new_KyBuffer()
    height, width = pixels.shape[:2]
    assert native.KyImage_Alloc(native.KyBuffer_GetImage(buffer), width, height, pixel_type) == native.KY_OK
    native.IKyImage_GetDataPointer(native.KyBuffer_GetImage(buffer))[...] = pixels
    return buffer


def natural(shape, dtype, seed):
    """Gradients, an edge and noise."""
    random = np.random.default_rng(seed)
    ys, xs = np.mgrid[0:shape[0], 0:shape[1]]
    base = xs * 3 + ys * 2 + np.where(xs > shape[1] // 2, 40, 0)
    if len(shape) == 3:
        base = base[..., None] + np.arange(shape[2]) * 17
    top = np.iinfo(dtype).max
    return ((base + random.integers(0, 4, size=shape)) % (top + 1)).astype(dtype)


def compressed_of(pixels, pixel_type):
    out = native.new_KyBuffer()
    result, same = native.KyCompressionFilter_Execute(native.new_KyCompressionFilter(),
                                                      image_buffer(pixels, pixel_type), out)
    assert result == native.KY_OK, str(native.KyResult_GetDescription(result))
    return out


ROUND_TRIPS = [
    ("mono8", (37, 53), np.uint8, native.KyPixelMono8),
    ("mono16", (41, 29), np.uint16, native.KyPixelMono16),
    ("bgr8", (23, 31, 3), np.uint8, native.KyPixelBGR8),
    ("mono8-one-pixel", (1, 1), np.uint8, native.KyPixelMono8),
    ("mono16-tall", (3000, 1), np.uint16, native.KyPixelMono16),
    ("bgr8-large", (700, 1001, 3), np.uint8, native.KyPixelBGR8),
]


@pytest.mark.parametrize("name,shape,dtype,pixel_type", ROUND_TRIPS, ids=[c[0] for c in ROUND_TRIPS])
def test_round_trip_is_byte_exact(name, shape, dtype, pixel_type):
    pixels = natural(shape, dtype, seed=len(name))
    compressed = compressed_of(pixels, pixel_type)
    assert native.KyBuffer_GetPayloadType(compressed) == COMPRESSED
    assert native.KyDecompressionFilter_IsCompressed(compressed) is True
    assert native.KyDecompressionFilter_GetOutputFormatFor(compressed)[1:] == (pixel_type, shape[1], shape[0])
    restored = native.new_KyBuffer()
    decompressor = native.new_KyDecompressionFilter()
    result, same = native.KyDecompressionFilter_Execute(decompressor, compressed, restored)
    assert result == native.KY_OK, str(native.KyResult_GetDescription(result))
    assert same == restored and same is not restored
    view = native.IKyImage_GetDataPointer(native.KyBuffer_GetImage(restored))
    assert view.dtype == dtype and view.shape == pixels.shape
    assert np.array_equal(view, pixels)


def test_proxy_classes_round_trip():
    pixels = natural((16, 16), np.uint8, seed=3)
    source = tavro_python.KyBuffer()
    image = source.GetImage()
    assert image.Alloc(16, 16, native.KyPixelMono8) == native.KY_OK
    image.GetDataPointer()[...] = pixels
    compressor, decompressor = tavro_python.KyCompressionFilter(), tavro_python.KyDecompressionFilter()
    packed, restored = tavro_python.KyBuffer(), tavro_python.KyBuffer()
    assert compressor.Execute(source, packed)[0] == native.KY_OK
    assert tavro_python.KyDecompressionFilter.IsCompressed(packed) is True
    result, out = decompressor.Execute(packed, restored)
    assert result == native.KY_OK and out == restored
    assert np.array_equal(restored.GetImage().GetDataPointer(), pixels)


def test_execute_tuples():
    compressor, decompressor = native.new_KyCompressionFilter(), native.new_KyDecompressionFilter()
    source = image_buffer(natural((8, 8), np.uint8, seed=1), native.KyPixelMono8)
    cases = [
        # (name, function, filter, input, output, code, output returned)
        ("compress", native.KyCompressionFilter_Execute, compressor, source, "new", native.KY_OK, True),
        ("compress-no-output", native.KyCompressionFilter_Execute, compressor, source, None,
         native.KY_INVALID_PARAMETER, False),
        ("compress-no-input", native.KyCompressionFilter_Execute, compressor, None, "new",
         native.KY_INVALID_PARAMETER, False),
        ("compress-raw", native.KyCompressionFilter_Execute, compressor, native.new_KyBuffer(2), "new",
         native.KY_INVALID_PARAMETER, False),
        ("decompress", native.KyDecompressionFilter_Execute, decompressor, "compressed", "new", native.KY_OK, True),
        ("decompress-no-output", native.KyDecompressionFilter_Execute, decompressor, "compressed", None,
         native.KY_INVALID_PARAMETER, False),
        ("decompress-image", native.KyDecompressionFilter_Execute, decompressor, source, "new",
         native.KY_INVALID_PARAMETER, False),
    ]
    for name, function, filter_, given, out, code, returned in cases:
        if given == "compressed":
            given = compressed_of(natural((8, 8), np.uint8, seed=2), native.KyPixelMono8)
        if out == "new":
            out = native.new_KyBuffer()
        result = function(filter_, given, out)
        assert type(result) is tuple and len(result) == 2, name
        assert native.KyResult_GetCode(result[0]) == code, name
        if returned:
            assert result[1] == out and result[1] is not out, name
        else:
            assert result[1] is None, name


def test_is_compressed_and_output_format():
    compressed = compressed_of(natural((5, 9, 3), np.uint8, seed=4), native.KyPixelBGR8)
    assert native.KyDecompressionFilter_IsCompressed(compressed) is True
    result, pixel_type, width, height = native.KyDecompressionFilter_GetOutputFormatFor(compressed)
    assert result == native.KY_OK and (pixel_type, width, height) == (native.KyPixelBGR8, 9, 5)
    plain = image_buffer(natural((4, 4), np.uint8, seed=5), native.KyPixelMono8)
    for name, buffer in [("image", plain), ("empty", native.new_KyBuffer(COMPRESSED)), ("none", None)]:
        assert native.KyDecompressionFilter_IsCompressed(buffer) is False, name
        result = native.KyDecompressionFilter_GetOutputFormatFor(buffer)
        assert type(result) is tuple and len(result) == 4, name
        assert result[0] != native.KY_OK and result[1:] == (0, 0, 0), name


def test_damaged_bytes_give_an_image_error():
    pixels = natural((64, 80), np.uint16, seed=6)
    compressed = compressed_of(pixels, native.KyPixelMono16)  # the view below belongs to it
    good = native.KyBuffer_GetDataPointer(compressed).copy()
    decompressor = native.new_KyDecompressionFilter()
    for name, position in [("magic", 1), ("pixel-type", 9), ("width", 12), ("checksum", 29),
                           ("stripe-table", 33), ("body", 60), ("last-byte", len(good) - 1)]:
        damaged = good.copy()
        damaged[position] ^= 0x41
        buffer = native.new_KyBuffer(COMPRESSED)
        assert native.KyBuffer_Attach(buffer, damaged) == native.KY_OK
        out = native.new_KyBuffer()
        result, same = native.KyDecompressionFilter_Execute(decompressor, buffer, out)
        assert native.KyResult_GetCode(result) == native.KY_IMAGE_ERROR, name
        assert same is None, name
        native.KyBuffer_Detach(buffer)


def test_settings():
    compressor, decompressor = native.new_KyCompressionFilter(), native.new_KyDecompressionFilter()
    assert native.KyCompressionFilter_GetEncoding(compressor) == native.KyEncodingPTC1 == 0
    assert native.KyCompressionFilter_SetEncoding(compressor, 0) == native.KY_OK
    # 5 reaches the SDK, which has no such encoding.
    assert native.KyCompressionFilter_SetEncoding(compressor, 5) == native.KY_NOT_SUPPORTED
    assert native.KyCompressionFilter_SetEncoding(compressor, native.KyEncodingUnknown) == native.KY_NOT_SUPPORTED
    assert native.KyCompressionFilter_GetThreadCount(compressor) == 1
    assert native.KyCompressionFilter_SetThreadCount(compressor, 1) == native.KY_OK
    assert native.KyCompressionFilter_SetThreadCount(compressor, 4) == native.KY_NOT_SUPPORTED
    assert native.KyDecompressionFilter_SetThreadCount(decompressor, 0) == native.KY_INVALID_PARAMETER
    assert native.KyDecompressionFilter_SetThreadCount(decompressor, 65) == native.KY_INVALID_PARAMETER
    assert native.KyDecompressionFilter_SetThreadCount(decompressor, 64) == native.KY_OK
    assert native.KyDecompressionFilter_GetThreadCount(decompressor) == 64
    for set_priority, get_priority, filter_ in [
            (native.KyCompressionFilter_SetThreadsPriority, native.KyCompressionFilter_GetThreadsPriority, compressor),
            (native.KyDecompressionFilter_SetThreadsPriority, native.KyDecompressionFilter_GetThreadsPriority,
             decompressor)]:
        assert set_priority(filter_, 100) == native.KY_INVALID_PARAMETER
        assert set_priority(filter_, 0) == native.KY_OK
        testing.SetUInt32Cell(1234)
        result = get_priority(filter_, testing.UInt32Cell())
        assert type(result) is not tuple and result == native.KY_OK
        assert testing.UInt32CellValue() == 0  # written through the pointer


ERRORS = [
    # (case name, function, arguments, exception, exact text)
    ("encoding-too-big", native.KyCompressionFilter_SetEncoding, ("compressor", 2 ** 31), OverflowError,
     arg_text("KyCompressionFilter_SetEncoding", 2, "KyEncodingEnum")),
    ("encoding-text", native.KyCompressionFilter_SetEncoding, ("compressor", "PTC1"), TypeError,
     arg_text("KyCompressionFilter_SetEncoding", 2, "KyEncodingEnum")),
    ("priority-none", native.KyCompressionFilter_GetThreadsPriority, ("compressor", None), ValueError,
     "invalid null reference " + arg_text("KyCompressionFilter_GetThreadsPriority", 2, "uint32_t &")),
    ("priority-none-d", native.KyDecompressionFilter_GetThreadsPriority, ("decompressor", None), ValueError,
     "invalid null reference " + arg_text("KyDecompressionFilter_GetThreadsPriority", 2, "uint32_t &")),
    ("priority-int", native.KyCompressionFilter_GetThreadsPriority, ("compressor", 5), TypeError,
     arg_text("KyCompressionFilter_GetThreadsPriority", 2, "uint32_t &")),
    ("priority-int-d", native.KyDecompressionFilter_GetThreadsPriority, ("decompressor", 5), TypeError,
     arg_text("KyDecompressionFilter_GetThreadsPriority", 2, "uint32_t &")),
    ("set-priority-negative", native.KyCompressionFilter_SetThreadsPriority, ("compressor", -1), OverflowError,
     arg_text("KyCompressionFilter_SetThreadsPriority", 2, "uint32_t")),
    ("threads-float", native.KyDecompressionFilter_SetThreadCount, ("decompressor", 2.0), TypeError,
     arg_text("KyDecompressionFilter_SetThreadCount", 2, "uint32_t")),
    ("threads-too-big", native.KyDecompressionFilter_SetThreadCount, ("decompressor", 2 ** 32), OverflowError,
     arg_text("KyDecompressionFilter_SetThreadCount", 2, "uint32_t")),
    ("execute-count", native.KyCompressionFilter_Execute, ("compressor", None), TypeError,
     "KyCompressionFilter_Execute expected 3 arguments, got 2"),
    ("execute-input", native.KyCompressionFilter_Execute, ("compressor", "x", None), TypeError,
     arg_text("KyCompressionFilter_Execute", 2, "KyBuffer const *")),
    ("execute-output", native.KyDecompressionFilter_Execute, ("decompressor", None, 5), TypeError,
     arg_text("KyDecompressionFilter_Execute", 3, "KyBuffer *")),
    ("execute-self-none", native.KyCompressionFilter_Execute, (None, None, None), TypeError,
     arg_text("KyCompressionFilter_Execute", 1, "KyCompressionFilter *")),
    ("execute-other-filter", native.KyCompressionFilter_Execute, ("decompressor", None, None), TypeError,
     arg_text("KyCompressionFilter_Execute", 1, "KyCompressionFilter *")),
    ("thread-count-self", native.KyDecompressionFilter_GetThreadCount, ("compressor",), TypeError,
     arg_text("KyDecompressionFilter_GetThreadCount", 1, "KyDecompressionFilter const *")),
    ("encoding-self", native.KyCompressionFilter_GetEncoding, (None,), TypeError,
     arg_text("KyCompressionFilter_GetEncoding", 1, "KyCompressionFilter const *")),
    ("is-compressed-int", native.KyDecompressionFilter_IsCompressed, (5,), TypeError,
     arg_text("KyDecompressionFilter_IsCompressed", 1, "KyBuffer const *")),
    ("format-text", native.KyDecompressionFilter_GetOutputFormatFor, ("x",), TypeError,
     arg_text("KyDecompressionFilter_GetOutputFormatFor", 1, "KyBuffer const *")),
    ("set-threads-count", native.KyDecompressionFilter_SetThreadCount, ("decompressor",), TypeError,
     "KyDecompressionFilter_SetThreadCount expected 2 arguments, got 1"),
]


@pytest.mark.parametrize("name,function,arguments,exception,text", ERRORS, ids=[e[0] for e in ERRORS])
def test_argument_errors(name, function, arguments, exception, text):
    filters = {"compressor": native.new_KyCompressionFilter(), "decompressor": native.new_KyDecompressionFilter()}
    arguments = tuple(filters.get(a, a) if isinstance(a, str) else a for a in arguments)
    with pytest.raises(exception) as raised:
        function(*arguments)
    assert str(raised.value) == text
