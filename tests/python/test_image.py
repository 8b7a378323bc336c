"""Images: pixels as views shaped by the pixel type, attached arrays, the static pixel helpers,
status bits, argument errors and ownership."""
import _tavro_python as native
import numpy as np
import pytest
import tavro_python
import tavro_testing as testing

MONO8 = native.KyPixelMono8


def address(array):
    return array.__array_interface__["data"][0]


def dispatch_text(function, *prototypes):
    return ("Wrong number or type of arguments for overloaded function '%s'.\n"
            "  Possible C/C++ prototypes are:\n" % function + "".join("    %s\n" % p for p in prototypes))


def new_image():
    buffer = native.new_KyBuffer()
    return buffer, native.KyBuffer_GetImage(buffer)


SHAPES = [
    # (case name, pixel type, width, height, padding X, padding Y, shape, element type)
    ("mono8", "KyPixelMono8", 640, 480, 0, 0, (480, 640), np.uint8),
    ("mono16", "KyPixelMono16", 640, 480, 0, 0, (480, 640), np.uint16),
    ("rgb8", "KyPixelRGB8", 640, 480, 0, 0, (480, 640, 3), np.uint8),
    ("bgr8", "KyPixelBGR8", 64, 48, 0, 0, (48, 64, 3), np.uint8),
    ("bayer-rg8", "KyPixelBayerRG8", 640, 480, 0, 0, (480, 640), np.uint8),
    ("rgba8", "KyPixelRGBa8", 16, 8, 0, 0, (8, 16, 4), np.uint8),
    ("yuv422-uyvy", "KyPixelYUV422_8_UYVY", 16, 8, 0, 0, (8, 16, 2), np.uint8),
    ("bgr16", "KyPixelBGR16", 8, 2, 0, 0, (2, 8, 3), np.uint16),
    ("rgba16", "KyPixelRGBa16", 8, 2, 0, 0, (2, 8, 4), np.uint16),
    ("padded-mono8", "KyPixelMono8", 10, 4, 2, 1, (5, 12), np.uint8),
    ("padded-rgb8", "KyPixelRGB8", 10, 4, 2, 1, (5, 12, 3), np.uint8),
    ("mono12-packed", "KyPixelMono12Packed", 10, 4, 0, 0, (60,), np.uint8),
    ("mono32", "KyPixelMono32", 10, 4, 0, 0, (160,), np.uint8),
]


@pytest.mark.parametrize("pixel,width,height,pad_x,pad_y,shape,dtype", [c[1:] for c in SHAPES],
                         ids=[c[0] for c in SHAPES])
def test_image_shape_rule(pixel, width, height, pad_x, pad_y, shape, dtype):
    buffer, image = new_image()
    assert native.KyImage_Alloc(image, width, height, getattr(native, pixel), pad_x, pad_y) == native.KY_OK
    pixels = native.IKyImage_GetDataPointer(image)
    assert (pixels.shape, pixels.dtype) == (shape, np.dtype(dtype))
    assert pixels.nbytes <= native.KyBuffer_GetSize(buffer)
    assert address(pixels) == address(native.KyBuffer_GetDataPointer(buffer))
    assert pixels.base is None and pixels.flags.writeable and pixels.flags.c_contiguous


def test_writes_through_a_view_are_seen_by_every_view():
    buffer, image = new_image()
    assert native.KyImage_Alloc(image, 8, 4, native.KyPixelMono16) == native.KY_OK
    first = native.IKyImage_GetDataPointer(image)
    second = native.IKyImage_GetDataPointer(native.KyBuffer_GetImage(buffer))
    first[2, 3] = 0x1234
    assert second[2, 3] == 0x1234
    raw = native.KyBuffer_GetDataPointer(buffer)
    offset = (2 * 8 + 3) * 2
    assert int(raw[offset]) | int(raw[offset + 1]) << 8 == 0x1234  # native byte order
    raw[0] = 0xAB
    assert second[0, 0] & 0xFF == 0xAB


def test_geometry_and_description():
    buffer, image = new_image()
    assert native.KyImage_Alloc(image, 10, 4, native.KyPixelRGB8, 2, 1, 16) == native.KY_OK
    assert native.IKyImage_GetWidth(image) == 10 and native.IKyImage_GetHeight(image) == 4
    assert native.IKyImage_GetPaddingX(image) == 2 and native.IKyImage_GetPaddingY(image) == 1
    assert native.IKyImage_GetPixelType(image) == native.KyPixelRGB8
    assert native.IKyImage_GetBitsPerPixel(image) == 24
    assert native.IKyImage_GetImageSize(image) == 12 * 5 * 3
    assert native.KyImage_GetEffectiveImageSize(image) == 10 * 4 * 3
    assert native.KyImage_GetMaximumChunkLength(image) == 16
    assert native.KyBuffer_GetSize(buffer) == 12 * 5 * 3 + 16
    assert native.KyImage_IsAllocated(image) and not native.KyImage_IsAttached(image)
    native.KyImage_SetOffsetX(image, 3)
    native.KyImage_SetOffsetY(image, 2 ** 32 - 1)
    assert (native.IKyImage_GetOffsetX(image), native.IKyImage_GetOffsetY(image)) == (3, 2 ** 32 - 1)
    assert native.KyBuffer_SetBlockID(buffer, 42) == native.KY_OK
    assert native.IKyImage_GetBlockID(image) == 42
    # the image belongs to the buffer: another object for it, equal to the buffer
    assert native.KyBuffer___eq__(native.KyImage_GetBuffer(image), buffer)


def test_an_image_without_memory_gives_an_empty_view():
    buffer, image = new_image()
    empty = native.IKyImage_GetDataPointer(image)
    assert (empty.shape, empty.dtype) == ((0,), np.uint8)
    assert native.KyImage_Alloc(image, 6, 3, native.KyPixelMono16) == native.KY_OK
    native.KyImage_Free(image)
    freed = native.IKyImage_GetDataPointer(image)
    assert (freed.shape, freed.dtype) == ((0, 6), np.uint16)


def test_attach_takes_width_and_height_from_the_array():
    buffer, image = new_image()
    pixels = np.zeros((480, 640), np.uint8)
    assert native.KyImage_Attach(image, pixels, MONO8) == native.KY_OK
    assert (native.IKyImage_GetWidth(image), native.IKyImage_GetHeight(image)) == (640, 480)
    assert native.KyImage_IsAttached(image)
    view = native.IKyImage_GetDataPointer(image)
    assert address(view) == address(pixels) and view.shape == (480, 640)
    view[10, 20] = 5
    assert pixels[10, 20] == 5
    detached = native.KyImage_Detach(image)
    assert detached is not pixels
    assert address(detached) == address(pixels) and detached.shape == (480, 640)
    assert not native.KyImage_IsAttached(image)


def test_attach_of_a_colour_array():
    buffer, image = new_image()
    pixels = np.zeros((5, 12, 3), np.uint8)
    assert native.KyImage_Attach(image, pixels, native.KyPixelRGB8) == native.KY_OK
    view = native.IKyImage_GetDataPointer(image)
    assert view.shape == (5, 12, 3) and address(view) == address(pixels)
    # paddings make the image larger than the array that gives its width and height
    assert native.KyImage_Attach(image, pixels, native.KyPixelRGB8, 2, 1) == native.KY_BUFFER_TOO_SMALL


def test_attach_refuses_a_small_array_and_keeps_nothing():
    buffer, image = new_image()
    small = np.zeros((480, 640), np.uint8)
    assert native.KyImage_Attach(image, small, native.KyPixelMono16) == native.KY_BUFFER_TOO_SMALL
    assert native.KyImage_Attach(image, small, MONO8, 0, 0, 1) == native.KY_BUFFER_TOO_SMALL  # chunk room
    assert not native.KyImage_IsAttached(image)
    assert native.KyBuffer_GetSize(buffer) == 0


ATTACH_TYPE_ERROR = "in method 'KyImage_Attach', argument 1 of type array"
ATTACH_DISPATCH = dispatch_text(
    "KyImage_Attach",
    "KyImage::Attach(void *,uint32_t,uint32_t,KyPixelType,uint16_t,uint16_t,uint32_t)",
    "KyImage::Attach(void *,uint32_t,uint32_t,KyPixelType,uint16_t,uint16_t)",
    "KyImage::Attach(void *,uint32_t,uint32_t,KyPixelType,uint16_t)",
    "KyImage::Attach(void *,uint32_t,uint32_t,KyPixelType)")
ALLOC_DISPATCH = dispatch_text(
    "KyImage_Alloc",
    "KyImage::Alloc(uint32_t,uint32_t,KyPixelType,uint16_t,uint16_t,uint32_t)",
    "KyImage::Alloc(uint32_t,uint32_t,KyPixelType,uint16_t,uint16_t)",
    "KyImage::Alloc(uint32_t,uint32_t,KyPixelType,uint16_t)",
    "KyImage::Alloc(uint32_t,uint32_t,KyPixelType)")
IMAGE = new_image()

ERRORS = [
    # (case name, function, arguments, exception, exact text)
    ("attach-one-dimension", native.KyImage_Attach, (IMAGE[1], np.zeros(10, np.uint8), MONO8), TypeError,
     ATTACH_TYPE_ERROR),
    ("attach-list", native.KyImage_Attach, (IMAGE[1], [[1, 2], [3, 4]], MONO8), TypeError, ATTACH_TYPE_ERROR),
    ("attach-other-dtype", native.KyImage_Attach, (IMAGE[1], np.zeros((2, 2), np.uint16), MONO8), TypeError,
     ATTACH_TYPE_ERROR),
    ("attach-non-contiguous", native.KyImage_Attach, (IMAGE[1], np.zeros((4, 4), np.uint8)[:, ::2], MONO8),
     TypeError, ATTACH_TYPE_ERROR),
    ("attach-int", native.KyImage_Attach, (IMAGE[1], 5, MONO8), TypeError, ATTACH_DISPATCH),
    ("attach-too-many", native.KyImage_Attach, (IMAGE[1], np.zeros((2, 2), np.uint8), MONO8, 0, 0, 0, 0), TypeError,
     "KyImage_Attach expected at most 6 arguments, got 7\nAdditional information:\n" + ATTACH_DISPATCH),
    ("alloc-padding-too-big", native.KyImage_Alloc, (IMAGE[1], 640, 480, MONO8, 65536), TypeError, ALLOC_DISPATCH),
    ("alloc-not-an-image", native.KyImage_Alloc, (IMAGE[0], 640, 480, MONO8), TypeError, ALLOC_DISPATCH),
    ("eof-not-a-bool", native.KyImage_SetEOFByLineCount, (IMAGE[1], 1), TypeError,
     dispatch_text("KyImage_SetEOFByLineCount", "KyImage::SetEOFByLineCount(bool)", "KyImage::SetEOFByLineCount()")),
    ("data-pointer-not-an-image", native.IKyImage_GetDataPointer, (IMAGE[0],), TypeError,
     dispatch_text("IKyImage_GetDataPointer", "IKyImage::GetDataPointer() const", "IKyImage::GetDataPointer()")),
    ("pixel-size-text", native.KyImage_GetPixelSize, ("x",), TypeError,
     "in method 'KyImage_GetPixelSize', argument 1 of type 'KyPixelType'"),
    ("pixel-size-too-big", native.KyImage_GetPixelSize, (2 ** 31,), OverflowError,
     "in method 'KyImage_GetPixelSize', argument 1 of type 'KyPixelType'"),
    ("width-none", native.IKyImage_GetWidth, (None,), TypeError,
     "in method 'IKyImage_GetWidth', argument 1 of type 'IKyImage const *'"),
]


@pytest.mark.parametrize("function,args,error,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_argument_errors(function, args, error, text):
    with pytest.raises(error) as raised:
        function(*args)
    assert type(raised.value) is error
    assert str(raised.value) == text


def test_static_pixel_helpers():
    assert native.KyImage_GetPixelSize(MONO8) == 8
    assert native.KyImage_GetPixelSize(native.KyPixelRGB16) == 48
    assert native.KyImage_IsPixelColor(native.KyPixelBGR8) is True
    assert native.KyImage_IsPixelColor(MONO8) is False
    assert native.KyImage_IsPixelHighRes(native.KyPixelMono16) is True
    assert native.KyImage_IsPixelHighRes(MONO8) is False
    assert native.KyImage_GetBitsPerComponent(native.KyPixelRGB8) == 8
    name = native.KyImage_PixelTypeToString(0x01080001)
    assert isinstance(name, tavro_python.KyString) and str(name) == "Mono8"
    assert native.KyImage_GetPixelSize(-2 ** 31) == native.KyImage_GetPixelSize(-2 ** 31)


def test_status_bits():
    buffer, image = new_image()
    assert native.KyImage_SetEOFByLineCount(image) is None
    assert native.KyImage_IsEOFByLineCount(image) is True
    native.KyImage_SetEOFByLineCount(image, False)
    assert native.KyImage_IsEOFByLineCount(image) is False
    native.KyImage_SetFullLineMissing(image, True, 7)
    native.KyImage_SetEOFByLineCount(image, True)
    assert native.KyImage_IsFullLineMissing(image) is True
    native.KyImage_ClearEOFStatus(image)
    assert native.KyImage_IsFullLineMissing(image) is False and native.KyImage_IsEOFByLineCount(image) is False
    for flag in ("IsPartialLineMissing", "IsInterlacedEven", "IsInterlacedOdd", "IsImageDropped", "IsDataOverrun"):
        assert getattr(native, "KyImage_" + flag)(image) is False


def test_deleting_an_image_leaves_it_to_its_buffer():
    buffer, image = new_image()
    assert native.KyImage_Alloc(image, 4, 4, MONO8) == native.KY_OK
    assert native.delete_KyImage(image) is None
    assert native.delete_IKyImage(native.KyBuffer_GetImage(buffer)) is None
    assert native.IKyImage_GetWidth(native.KyBuffer_GetImage(buffer)) == 4
    assert native.IKyImage_GetDataPointer(native.KyBuffer_GetImage(buffer)).shape == (4, 4)


def test_proxy_classes():
    buffer = tavro_python.KyBuffer()
    image = buffer.GetImage()
    assert image.Alloc(4, 2, native.KyPixelBGR8) == native.KY_OK
    assert image.GetDataPointer().shape == (2, 4, 3)
    assert image.GetBuffer() == buffer


STAND_IN = [
    # (case name, width, height, pixel type, padding X, padding Y, memory, image size, shape, element type)
    ("mono8-fits", 10, 4, "KyPixelMono8", 0, 0, 40, 40, (4, 10), np.uint8),
    ("mono8-past-memory", 10, 4, "KyPixelMono8", 0, 0, 30, 40, (30,), np.uint8),
    ("padding-past-memory", 10, 4, "KyPixelMono8", 2, 1, 59, 60, (59,), np.uint8),
    ("bgr16-fits", 8, 2, "KyPixelBGR16", 0, 0, 96, 96, (2, 8, 3), np.uint16),
    ("bgr16-past-memory", 8, 2, "KyPixelBGR16", 0, 0, 95, 96, (95,), np.uint8),
    ("packed-past-memory", 10, 4, "KyPixelMono12Packed", 0, 0, 50, 60, (50,), np.uint8),
    ("mono16-no-memory", 6, 3, "KyPixelMono16", 0, 0, 0, 36, (0, 6), np.uint16),
    ("rgb8-no-memory", 6, 3, "KyPixelRGB8", 0, 0, 0, 54, (0, 6, 3), np.uint8),
    ("packed-no-memory", 10, 4, "KyPixelMono12Packed", 0, 0, 0, 60, (0,), np.uint8),
    ("neither-class", 4, 4, 0x00080001, 0, 0, 16, 16, (16,), np.uint8),
]


@pytest.mark.parametrize("width,height,pixel,pad_x,pad_y,memory,size,shape,dtype", [c[1:] for c in STAND_IN],
                         ids=[c[0] for c in STAND_IN])
def test_a_view_never_reaches_past_the_memory(width, height, pixel, pad_x, pad_y, memory, size, shape, dtype):
    pixel_type = getattr(native, pixel) if isinstance(pixel, str) else pixel
    image = testing.TestImage(width, height, pixel_type, pad_x, pad_y, memory, size)
    view = image.View()
    assert (view.shape, view.dtype) == (shape, np.dtype(dtype))
    assert view.nbytes <= memory
