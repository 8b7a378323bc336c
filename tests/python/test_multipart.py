"""Multi-part payloads: the container of a buffer (reader and writer), its sections and the JPEG
view of a JPEG part; composition read back, borrowed objects, array views, argument errors and
the SDK's refusals as results."""
import _tavro_python as native
import numpy as np
import pytest
import tavro_python


def address(array):
    return array.__array_interface__["data"][0]


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


def dispatch_text(function, *prototypes):
    return ("Wrong number or type of arguments for overloaded function '%s'.\n"
            "  Possible C/C++ prototypes are:\n" % function + "".join("    %s\n" % p for p in prototypes))


ADD_IMAGE = dispatch_text(
    "IKyMultiPartContainerWriter_AddImagePart",
    "IKyMultiPartContainerWriter::AddImagePart(KyMultiPartDataType,uint32_t,uint32_t,KyPixelType,uint32_t,uint32_t,uint16_t)",
    "IKyMultiPartContainerWriter::AddImagePart(KyMultiPartDataType,uint32_t,uint32_t,KyPixelType,uint32_t,uint32_t)",
    "IKyMultiPartContainerWriter::AddImagePart(KyMultiPartDataType,uint32_t,uint32_t,KyPixelType,uint32_t)",
    "IKyMultiPartContainerWriter::AddImagePart(KyMultiPartDataType,uint32_t,uint32_t,KyPixelType)")
GET_PART = dispatch_text("IKyMultiPartContainerReader_GetPart",
                         "IKyMultiPartContainerReader::GetPart(uint32_t) const",
                         "IKyMultiPartContainerReader::GetPart(uint32_t)")
SECTION_DATA = dispatch_text("IKyMultiPartSection_GetDataPointer",
                             "IKyMultiPartSection::GetDataPointer() const",
                             "IKyMultiPartSection::GetDataPointer()")
JPEG_DATA = dispatch_text("IKyImageJPEG_GetDataPointer",
                          "IKyImageJPEG::GetDataPointer() const",
                          "IKyImageJPEG::GetDataPointer()")


def container():
    buffer = native.new_KyBuffer(native.KyPayloadTypeMultiPart)
    return buffer, native.KyBuffer_GetMultiPartContainer(buffer)


def composed():
    """An 8 x 4 Mono8 image part, a JPEG part of at most 100 bytes and a chunk part, in one allocation."""
    buffer, mp = container()
    assert native.IKyMultiPartContainerWriter_AddImagePart(mp, native.KyMultiPart2DImage, 8, 4,
                                                          native.KyPixelMono8, 16, 32, 0) == native.KY_OK
    assert native.IKyMultiPartContainerWriter_AddJPEGPart(mp, native.KyMultiPartJPEGImage, 100, 0x81,
                                                         10**9, 7) == native.KY_OK
    assert native.IKyMultiPartContainerWriter_AddChunkPart(mp, 64, 0x1234) == native.KY_OK
    return buffer, mp


def test_container_comes_borrowed_from_a_multipart_buffer_only():
    image = native.new_KyBuffer()
    assert native.KyBuffer_GetMultiPartContainer(image) is None
    buffer, mp = container()
    assert type(mp) is tavro_python.IKyMultiPartContainer
    assert isinstance(mp, tavro_python.IKyMultiPartContainerWriter)
    assert isinstance(mp, tavro_python.IKyMultiPartContainerReader)
    assert not mp.thisown
    assert native.IKyMultiPartContainerReader_GetPartCount(mp) == 0
    # Deleting a borrowed object destroys nothing.
    native.delete_IKyMultiPartContainer(mp)
    again = native.KyBuffer_GetMultiPartContainer(buffer)
    assert native.IKyMultiPartContainerReader_GetPartCount(again) == 0


def test_writer_composes_and_reader_reads_back():
    buffer, mp = composed()
    assert native.IKyMultiPartContainerWriter_SetPartIDs(mp, 0, 5, 6, 7) == native.KY_OK
    assert native.IKyMultiPartContainerWriter_SetPartZoneInfo(mp, 0, 2, 0x80000000) == native.KY_OK
    assert native.IKyMultiPartContainerWriter_AllocAllParts(mp) == native.KY_OK
    assert native.IKyMultiPartContainerReader_GetPartCount(mp) == 3
    image, jpeg, chunk = (native.IKyMultiPartContainerReader_GetPart(mp, i) for i in range(3))
    assert all(type(s) is tavro_python.IKyMultiPartSection for s in (image, jpeg, chunk))
    assert native.IKyMultiPartContainerReader_GetPart(mp, 3) is None

    pixels = native.IKyMultiPartSection_GetDataPointer(image)
    assert pixels.dtype == np.uint8 and pixels.shape == (32,)
    assert address(pixels) == address(native.KyBuffer_GetDataPointer(buffer))
    assert pixels.base is None
    pixels[:] = np.arange(32, dtype=np.uint8) * 3
    compressed = native.IKyMultiPartSection_GetDataPointer(jpeg)
    assert compressed.shape == (100,)
    compressed[:4] = [0xFF, 0xD8, 0xFF, 0xD9]
    assert native.IKyMultiPartContainerWriter_SetPartFinalLength(mp, 1, 4) == native.KY_OK
    chunks = native.IKyMultiPartSection_GetChunkData(chunk)
    assert type(chunks) is tavro_python.IKyChunkData
    assert native.IKyChunkData_AddChunk(chunks, 0xABCD, b"\x01\x02\x03\x04") == native.KY_OK
    assert native.IKyMultiPartContainerWriter_SetPartFinalImageHeight(mp, 0, 3) == native.KY_OK
    assert native.IKyMultiPartContainerWriter_Validate(mp) == native.KY_OK

    assert native.IKyMultiPartSection_GetDataType(image) == native.KyMultiPart2DImage
    assert native.IKyMultiPartSection_GetSize(image) == 32
    assert native.IKyMultiPartSection_GetEffectiveSize(image) == 24
    # The section array is as long as the effective size at the time of the call.
    assert native.IKyMultiPartSection_GetDataPointer(image).shape == (24,)
    view = native.IKyMultiPartSection_GetImage(image)
    assert type(view) is tavro_python.IKyImage
    assert native.IKyImage_GetWidth(view) == 8
    assert native.IKyImage_GetHeight(view) == 3
    assert native.IKyImage_GetOffsetX(view) == 16
    assert native.IKyImage_GetOffsetY(view) == 32
    assert native.IKyImage_GetPixelType(view) == native.KyPixelMono8
    np.testing.assert_array_equal(native.IKyImage_GetDataPointer(view),
                                  (np.arange(24, dtype=np.uint8) * 3).reshape(3, 8))
    ids = [f(image) for f in (native.IKyMultiPartSection_GetSourceID, native.IKyMultiPartSection_GetDataPurposeID,
                              native.IKyMultiPartSection_GetRegionID, native.IKyMultiPartSection_GetAdditionalZones,
                              native.IKyMultiPartSection_GetZoneDirectionMask)]
    assert ids == [5, 6, 7, 2, 0x80000000]

    j = native.IKyMultiPartSection_GetJPEG(jpeg)
    assert type(j) is tavro_python.IKyImageJPEG
    assert native.IKyImageJPEG_GetFlag(j) == 0x81
    assert native.IKyImageJPEG_GetTimestampTickFrequency(j) == 10**9
    assert native.IKyImageJPEG_GetDataFormat(j) == 7
    assert native.IKyImageJPEG_GetDataSize(j) == 4
    data = native.IKyImageJPEG_GetDataPointer(j)
    assert data.base is None
    assert list(data) == [0xFF, 0xD8, 0xFF, 0xD9]
    assert address(data) == address(native.KyBuffer_GetDataPointer(buffer)) + 32

    assert native.IKyMultiPartSection_GetDataType(chunk) == native.KyMultiPartChunkData
    assert native.IKyChunkData_GetChunkLayoutID(chunks) == 0x1234
    assert native.IKyChunkData_GetChunkCount(chunks) == 1
    assert native.IKyChunkData_GetChunkSizeByID(chunks, 0xABCD) == 4
    assert native.IKyMultiPartSection_GetEffectiveSize(chunk) == 12

    native.IKyMultiPartContainerWriter_Reset(mp)
    assert native.IKyMultiPartContainerReader_GetPartCount(mp) == 0


@pytest.mark.parametrize("getter,index", [
    (native.IKyMultiPartSection_GetImage, 1), (native.IKyMultiPartSection_GetImage, 2),
    (native.IKyMultiPartSection_GetJPEG, 0), (native.IKyMultiPartSection_GetJPEG, 2),
    (native.IKyMultiPartSection_GetChunkData, 0), (native.IKyMultiPartSection_GetChunkData, 1),
])
def test_views_of_another_kind_are_none(getter, index):
    _, mp = composed()
    assert getter(native.IKyMultiPartContainerReader_GetPart(mp, index)) is None


def test_part_with_a_size_but_no_memory_gives_empty_arrays():
    _, mp = composed()
    jpeg = native.IKyMultiPartContainerReader_GetPart(mp, 1)
    assert native.IKyMultiPartSection_GetSize(jpeg) == 100
    for array in (native.IKyMultiPartSection_GetDataPointer(jpeg),
                  native.IKyImageJPEG_GetDataPointer(native.IKyMultiPartSection_GetJPEG(jpeg)),
                  native.IKyMultiPartSection_GetDataPointer(native.IKyMultiPartContainerReader_GetPart(mp, 0))):
        assert array.dtype == np.uint8 and array.shape == (0,)


def test_attached_part_memory_stays_the_callers():
    _, mp = composed()
    mine = np.full(100, 0xEE, dtype=np.uint8)
    assert native.IKyMultiPartContainerWriter_AttachPart(mp, 1, mine) == native.KY_OK
    view = native.IKyMultiPartSection_GetDataPointer(native.IKyMultiPartContainerReader_GetPart(mp, 1))
    assert address(view) == address(mine)
    # Too small for the part: refused, nothing attached.
    assert native.IKyMultiPartContainerWriter_AttachPart(mp, 2, np.zeros(10, np.uint8)) == \
        native.KY_INVALID_PARAMETER
    assert native.IKyMultiPartSection_GetDataPointer(native.IKyMultiPartContainerReader_GetPart(mp, 2)).shape == (0,)
    # What numpy would have to convert is refused: the part would keep a temporary's address.
    for value in ([1] * 100, np.zeros(100, np.uint16), np.zeros(200, np.uint8)[::2],
                  np.zeros(100, np.uint8).reshape(10, 10)):
        with pytest.raises(TypeError):
            native.IKyMultiPartContainerWriter_AttachPart(mp, 1, value)
    readonly = np.zeros(100, np.uint8)
    readonly.flags.writeable = False
    with pytest.raises(TypeError):
        native.IKyMultiPartContainerWriter_AttachPart(mp, 1, readonly)


SDK_REFUSALS = [
    ("JPEG type as image", lambda mp: native.IKyMultiPartContainerWriter_AddImagePart(
        mp, native.KyMultiPartJPEGImage, 8, 8, native.KyPixelMono8), native.KY_INVALID_PARAMETER),
    ("zero width", lambda mp: native.IKyMultiPartContainerWriter_AddImagePart(
        mp, native.KyMultiPart2DImage, 0, 8, native.KyPixelMono8), native.KY_INVALID_PARAMETER),
    ("image type as JPEG", lambda mp: native.IKyMultiPartContainerWriter_AddJPEGPart(mp, 1, 10, 0, 0, 0),
     native.KY_INVALID_PARAMETER),
    ("part after the chunk part", lambda mp: native.IKyMultiPartContainerWriter_AddJPEGPart(
        mp, native.KyMultiPartJPEGImage, 10, 0, 0, 0), native.KY_STATE_ERROR),
    ("second chunk part", lambda mp: native.IKyMultiPartContainerWriter_AddChunkPart(mp, 8, 0),
     native.KY_STATE_ERROR),
    ("IDs of the chunk part", lambda mp: native.IKyMultiPartContainerWriter_SetPartIDs(mp, 2, 1, 1, 1),
     native.KY_INVALID_DATA_FORMAT),
    ("zones past the end", lambda mp: native.IKyMultiPartContainerWriter_SetPartZoneInfo(mp, 3, 0, 0),
     native.KY_INVALID_PARAMETER),
    ("alloc past the end", lambda mp: native.IKyMultiPartContainerWriter_AllocPart(mp, 9),
     native.KY_INVALID_PARAMETER),
    ("final length above maximum", lambda mp: native.IKyMultiPartContainerWriter_SetPartFinalLength(mp, 1, 101),
     native.KY_INVALID_PARAMETER),
    ("final height above maximum",
     lambda mp: native.IKyMultiPartContainerWriter_SetPartFinalImageHeight(mp, 0, 5), native.KY_INVALID_PARAMETER),
    ("validate without memory", lambda mp: native.IKyMultiPartContainerWriter_Validate(mp), native.KY_STATE_ERROR),
]


@pytest.mark.parametrize("name,call,code", SDK_REFUSALS, ids=[r[0] for r in SDK_REFUSALS])
def test_sdk_refusals_come_back_as_results(name, call, code):
    _, mp = composed()
    result = call(mp)
    assert type(result) is tavro_python.KyResult
    assert result == code
    assert native.IKyMultiPartContainerReader_GetPartCount(mp) == 3


def test_alloc_all_without_parts_is_a_state_error():
    _, mp = container()
    assert native.IKyMultiPartContainerWriter_AllocAllParts(mp) == native.KY_STATE_ERROR


def test_add_image_part_forms():
    _, mp = container()
    assert native.IKyMultiPartContainerWriter_AddImagePart(mp, 1, 640, 480, native.KyPixelMono8) == native.KY_OK
    section = native.IKyMultiPartContainerReader_GetPart(mp, 0)
    image = native.IKyMultiPartSection_GetImage(section)
    assert (native.IKyImage_GetOffsetX(image), native.IKyImage_GetOffsetY(image),
            native.IKyImage_GetPaddingX(image)) == (0, 0, 0)
    assert native.IKyImage_GetHeight(image) == 480
    assert native.IKyMultiPartContainerWriter_AddImagePart(mp, 1, 8, 8, native.KyPixelMono8, 1) == native.KY_OK
    assert native.IKyMultiPartContainerWriter_AddImagePart(mp, 1, 8, 8, native.KyPixelMono8, 1, 2) == native.KY_OK
    assert native.IKyMultiPartContainerWriter_AddImagePart(mp, 1, 8, 8, native.KyPixelMono8, 1, 2, 3) == native.KY_OK
    padded = native.IKyMultiPartSection_GetImage(native.IKyMultiPartContainerReader_GetPart(mp, 3))
    assert (native.IKyImage_GetOffsetX(padded), native.IKyImage_GetOffsetY(padded),
            native.IKyImage_GetPaddingX(padded)) == (1, 2, 3)


ARG_ERRORS = [
    (native.IKyMultiPartContainerWriter_AddImagePart, lambda mp: (mp, 1, 640, 480, native.KyPixelMono8, 0, 0, 70000),
     TypeError, ADD_IMAGE),
    (native.IKyMultiPartContainerWriter_AddImagePart, lambda mp: (mp, 1, 640, 480), TypeError, ADD_IMAGE),
    (native.IKyMultiPartContainerWriter_AddImagePart, lambda mp: (mp, 1, -1, 480, native.KyPixelMono8),
     TypeError, ADD_IMAGE),
    (native.IKyMultiPartContainerWriter_AddImagePart, lambda mp: (mp, 1, 1, 1, 1, 0, 0, 0, 0), TypeError,
     "IKyMultiPartContainerWriter_AddImagePart expected at most 8 arguments, got 9\nAdditional information:\n"
     + ADD_IMAGE),
    (native.IKyMultiPartContainerReader_GetPart, lambda mp: (mp, -1), TypeError, GET_PART),
    (native.IKyMultiPartContainerReader_GetPart, lambda mp: (mp, 2**32), TypeError, GET_PART),
    (native.IKyMultiPartContainerReader_GetPart, lambda mp: (mp, "0"), TypeError, GET_PART),
    (native.IKyMultiPartContainerReader_GetPart, lambda mp: (mp, 0, 0), TypeError,
     "IKyMultiPartContainerReader_GetPart expected at most 2 arguments, got 3\nAdditional information:\n"
     + GET_PART),
    (native.IKyMultiPartContainerWriter_SetPartZoneInfo, lambda mp: (mp, 0, 256, 0), OverflowError,
     arg_text("IKyMultiPartContainerWriter_SetPartZoneInfo", 3, "uint8_t")),
    (native.IKyMultiPartContainerWriter_AddJPEGPart, lambda mp: (mp, "11", 1, 0, 0, 0), TypeError,
     arg_text("IKyMultiPartContainerWriter_AddJPEGPart", 2, "KyMultiPartDataType")),
    (native.IKyMultiPartContainerWriter_AddJPEGPart, lambda mp: (mp, 11, 1, 0, -1, 0), OverflowError,
     arg_text("IKyMultiPartContainerWriter_AddJPEGPart", 5, "uint64_t")),
    (native.IKyMultiPartContainerWriter_SetPartIDs, lambda mp: (mp, 0, 1, 2, 2**32), OverflowError,
     arg_text("IKyMultiPartContainerWriter_SetPartIDs", 5, "uint32_t")),
    (native.IKyMultiPartContainerWriter_AllocPart, lambda mp: (None, 0), TypeError,
     arg_text("IKyMultiPartContainerWriter_AllocPart", 1, "IKyMultiPartContainerWriter *")),
    (native.IKyMultiPartContainerReader_GetPartCount, lambda mp: (None,), TypeError,
     arg_text("IKyMultiPartContainerReader_GetPartCount", 1, "IKyMultiPartContainerReader *")),
]


@pytest.mark.parametrize("function,args,error,text", ARG_ERRORS)
def test_argument_errors(function, args, error, text):
    _, mp = composed()
    with pytest.raises(error) as raised:
        function(*args(mp))
    assert str(raised.value) == text


def test_section_and_jpeg_getter_errors():
    _, mp = composed()
    section = native.IKyMultiPartContainerReader_GetPart(mp, 1)
    jpeg = native.IKyMultiPartSection_GetJPEG(section)
    cases = [
        (native.IKyMultiPartSection_GetDataPointer, (mp,), SECTION_DATA),
        (native.IKyMultiPartSection_GetDataPointer, (section, 1),
         "IKyMultiPartSection_GetDataPointer expected at most 1 arguments, got 2\nAdditional information:\n"
         + SECTION_DATA),
        (native.IKyImageJPEG_GetDataPointer, (section,), JPEG_DATA),
        (native.IKyImageJPEG_GetDataPointer, (jpeg, 1),
         "IKyImageJPEG_GetDataPointer expected at most 1 arguments, got 2\nAdditional information:\n" + JPEG_DATA),
        (native.IKyMultiPartSection_GetSize, (None,),
         arg_text("IKyMultiPartSection_GetSize", 1, "IKyMultiPartSection const *")),
        (native.IKyImageJPEG_GetFlag, (section,), arg_text("IKyImageJPEG_GetFlag", 1, "IKyImageJPEG const *")),
    ]
    for function, args, text in cases:
        with pytest.raises(TypeError) as raised:
            function(*args)
        assert str(raised.value) == text, function.__name__


def test_container_is_accepted_by_reader_and_writer_a_section_is_not():
    _, mp = composed()
    section = native.IKyMultiPartContainerReader_GetPart(mp, 0)
    assert native.IKyMultiPartContainerReader_GetPartCount(mp) == 3
    assert native.IKyMultiPartContainerWriter_Validate(mp) == native.KY_STATE_ERROR
    with pytest.raises(TypeError):
        native.IKyMultiPartContainerReader_GetPartCount(section)
    with pytest.raises(TypeError):
        native.IKyMultiPartContainerWriter_Reset(section)


def test_proxy_methods_and_data_type_constants():
    buffer = tavro_python.KyBuffer(native.KyPayloadTypeMultiPart)
    mp = buffer.GetMultiPartContainer()
    assert mp.AddJPEGPart(tavro_python.KyMultiPartJPEG2000Image, 16, 255, 1, 2) == native.KY_OK
    assert mp.AllocPart(0) == native.KY_OK
    part = mp.GetPart(0)
    assert part.GetDataType() == 12
    jpeg = part.GetJPEG()
    assert 0 <= jpeg.GetFlag() <= 255 and jpeg.GetFlag() == 255
    assert jpeg.GetDataPointer().shape == (16,)
    assert tavro_python.KyMultiPartDataType["KyMultiPartConfidenceMap"] == 9
    assert len(tavro_python.KyMultiPartDataType) == 13
