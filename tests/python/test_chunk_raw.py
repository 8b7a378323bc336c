"""Chunk data (IKyChunkData, KyChunkData) and raw data (KyRawData): chunks as views of the
payload, memory of the SDK's own or attached in place, argument errors and ownership."""
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


def chunk_buffer(capacity=64):
    buffer = native.new_KyBuffer(native.KyPayloadTypeChunkData)
    chunks = native.KyBuffer_GetChunkData(buffer)
    assert native.KyChunkData_Alloc(chunks, capacity) == native.KY_OK
    return buffer, chunks


@pytest.mark.parametrize("kind", ["buffer", "chunk-data"])
def test_chunk_interface_serves_buffers_and_chunk_payloads(kind):
    buffer, chunks = chunk_buffer()
    target = buffer if kind == "buffer" else chunks
    native.IKyChunkData_ResetChunks(target)
    native.IKyChunkData_SetChunkLayoutID(target, 0xFFFFFFFF)
    assert native.IKyChunkData_AddChunk(target, 5, b"xyz") == native.KY_OK
    assert native.IKyChunkData_AddChunk(target, 6, b"") == native.KY_OK
    assert native.IKyChunkData_HasChunks(target) is True
    assert native.IKyChunkData_GetChunkCount(target) == 2
    assert native.IKyChunkData_GetChunkLayoutID(target) == 0xFFFFFFFF
    assert native.IKyChunkData_GetChunkIDByIndex(target, 1) == [native.KY_OK, 6]
    missing = native.IKyChunkData_GetChunkIDByIndex(target, 2)
    assert missing[0] == native.KY_NOT_FOUND and missing[1] == 0
    assert native.IKyChunkData_GetChunkSizeByIndex(target, 0) == 3
    assert native.IKyChunkData_GetChunkSizeByID(target, 77) == 0
    assert native.IKyChunkData_GetChunkDataSize(target) == 3 + 8 + 8
    assert native.IKyChunkData_GetChunkDataCapacity(target) == 64 - 19
    data = native.IKyChunkData_GetChunkRawDataByID(target, 5)
    assert (data.shape, data.dtype, bytes(data)) == ((3,), np.uint8, b"xyz")
    data[1] = ord("Y")
    assert bytes(native.IKyChunkData_GetChunkRawDataByIndex(target, 0)) == b"xYz"
    absent = native.IKyChunkData_GetChunkRawDataByID(target, 77)
    assert (absent.shape, absent.dtype) == ((0,), np.uint8)
    assert native.IKyChunkData_GetChunkRawDataByIndex(target, 5).shape == (0,)


def test_chunk_data_payload_attach_and_detach():
    buffer = native.new_KyBuffer(native.KyPayloadTypeChunkData)
    chunks = native.KyBuffer_GetChunkData(buffer)
    memory = np.zeros(32, np.uint8)
    assert native.KyChunkData_Attach(chunks, memory) == native.KY_OK
    assert native.IKyChunkData_AddChunk(chunks, 9, b"\x01\x02\x03\x04") == native.KY_OK
    assert native.KyChunkData_GetChunkDataPayloadLength(chunks) == 12
    assert bytes(memory[:4]) == b"\x01\x02\x03\x04"  # in the caller's memory
    detached = native.KyChunkData_Detach(chunks)
    assert detached is not memory and address(detached) == address(memory)
    assert detached.shape == (12,)  # the payload, not the whole array
    assert native.KyChunkData_Detach(chunks).shape == (0,)  # nothing attached: an empty array


def test_chunks_in_their_own_area_never_widen_the_detached_view():
    buffer = native.new_KyBuffer(native.KyPayloadTypeChunkData)
    chunks = native.KyBuffer_GetChunkData(buffer)
    memory = np.zeros(4, np.uint8)
    assert native.KyChunkData_Attach(chunks, memory) == native.KY_OK
    assert native.KyBuffer_AllocChunk(buffer, 256) == native.KY_OK
    assert native.IKyChunkData_AddChunk(chunks, 1, bytes(100)) == native.KY_OK
    assert native.KyChunkData_Detach(chunks).shape == (4,)


def test_raw_data_alloc_attach_detach():
    buffer = native.new_KyBuffer(native.KyPayloadTypeRawData)
    raw = native.KyBuffer_GetRawData(buffer)
    assert native.KyRawData_Alloc(raw, 100) == native.KY_OK
    assert native.KyRawData_GetPayloadLength(raw) == 100
    assert native.KyBuffer_GetSize(buffer) == 100
    assert native.KyRawData_Alloc(raw, 100, 24) == native.KY_OK
    assert native.KyBuffer_GetSize(buffer) == 124
    assert native.KyRawData_Alloc(raw, 2 ** 33) == native.KY_INVALID_PARAMETER
    native.KyRawData_Free(raw)
    assert native.KyBuffer_GetSize(buffer) == 0
    memory = np.arange(64, dtype=np.uint8)
    assert native.KyRawData_Attach(raw, memory) == native.KY_OK
    assert native.KyRawData_GetPayloadLength(raw) == 64
    assert native.KyRawData_Attach(raw, memory, 16) == native.KY_OK
    assert native.KyRawData_GetPayloadLength(raw) == 48
    assert address(native.KyBuffer_GetDataPointer(buffer)) == address(memory)
    detached = native.KyRawData_Detach(raw)
    assert address(detached) == address(memory) and detached.shape == (48,)
    assert native.KyRawData_Detach(raw).shape == (0,)


RAW_ALLOC = dispatch_text("KyRawData_Alloc", "KyRawData::Alloc(uint64_t,uint32_t)", "KyRawData::Alloc(uint64_t)")
RAW_ATTACH = dispatch_text("KyRawData_Attach", "KyRawData::Attach(void *,uint64_t,uint32_t)",
                           "KyRawData::Attach(void *,uint64_t)")
BUFFER = native.new_KyBuffer(native.KyPayloadTypeRawData)
RAW = native.KyBuffer_GetRawData(BUFFER)
CHUNKS = native.KyBuffer_GetChunkData(native.new_KyBuffer(native.KyPayloadTypeChunkData))
ARRAY = np.zeros(8, np.uint8)

ERRORS = [
    # (case name, function, arguments, exception, exact text)
    ("add-chunk-bytearray", native.IKyChunkData_AddChunk, (CHUNKS, 5, bytearray(b"ab")), TypeError,
     arg_text("IKyChunkData_AddChunk", 3, "uint8_t const *")),
    ("add-chunk-str", native.IKyChunkData_AddChunk, (CHUNKS, 5, "ab"), TypeError,
     arg_text("IKyChunkData_AddChunk", 3, "uint8_t const *")),
    ("add-chunk-array", native.IKyChunkData_AddChunk, (CHUNKS, 5, ARRAY), TypeError,
     arg_text("IKyChunkData_AddChunk", 3, "uint8_t const *")),
    ("has-chunks-raw", native.IKyChunkData_HasChunks, (RAW,), TypeError,
     arg_text("IKyChunkData_HasChunks", 1, "IKyChunkData const *")),
    ("size-by-index-negative", native.IKyChunkData_GetChunkSizeByIndex, (CHUNKS, -1), OverflowError,
     arg_text("IKyChunkData_GetChunkSizeByIndex", 2, "uint32_t")),
    ("chunk-data-not-a-buffer", native.KyChunkData_Alloc, (BUFFER, 8), TypeError,
     arg_text("KyChunkData_Alloc", 1, "KyChunkData *")),
    ("chunk-attach-list", native.KyChunkData_Attach, (CHUNKS, [1, 2]), TypeError,
     "Array of type 'unsigned byte' required.  A 'list' was given"),
    ("chunk-attach-int", native.KyChunkData_Attach, (CHUNKS, 5), TypeError,
     "Array of type 'unsigned byte' required.  A 'int' was given"),
    ("raw-alloc-negative", native.KyRawData_Alloc, (RAW, -1), TypeError, RAW_ALLOC),
    ("raw-alloc-not-raw", native.KyRawData_Alloc, (CHUNKS, 1), TypeError, RAW_ALLOC),
    ("raw-attach-int", native.KyRawData_Attach, (RAW, 5), TypeError, RAW_ATTACH),
    ("raw-attach-chunk-negative", native.KyRawData_Attach, (RAW, ARRAY, -1), TypeError, RAW_ATTACH),
    ("raw-attach-chunk-too-big", native.KyRawData_Attach, (RAW, ARRAY, 2 ** 32), TypeError, RAW_ATTACH),
    ("raw-attach-too-many", native.KyRawData_Attach, (RAW, ARRAY, 0, 0), TypeError,
     "KyRawData_Attach expected at most 3 arguments, got 4\nAdditional information:\n" + RAW_ATTACH),
    ("raw-attach-float-array", native.KyRawData_Attach, (RAW, np.zeros(4)), TypeError,
     "Array of type 'unsigned byte' required.  Array of type 'double' given"),
]


@pytest.mark.parametrize("function,args,error,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_argument_errors(function, args, error, text):
    with pytest.raises(error) as raised:
        function(*args)
    assert type(raised.value) is error
    assert str(raised.value) == text
    assert native.KyBuffer_GetSize(BUFFER) == 0  # nothing attached on the way


def test_deleting_a_view_leaves_it_to_its_buffer():
    buffer, chunks = chunk_buffer()
    assert native.IKyChunkData_AddChunk(chunks, 1, b"z") == native.KY_OK
    assert native.delete_KyChunkData(chunks) is None
    assert native.delete_IKyChunkData(native.KyBuffer_GetChunkData(buffer)) is None
    assert native.IKyChunkData_GetChunkCount(native.KyBuffer_GetChunkData(buffer)) == 1
    raw_buffer = native.new_KyBuffer(2)
    assert native.delete_KyRawData(native.KyBuffer_GetRawData(raw_buffer)) is None
    assert native.KyRawData_Alloc(native.KyBuffer_GetRawData(raw_buffer), 8) == native.KY_OK


def test_proxy_classes():
    buffer = tavro_python.KyBuffer(native.KyPayloadTypeRawData)
    raw = buffer.GetRawData()
    assert raw.Alloc(10) == native.KY_OK
    assert raw.GetPayloadLength() == 10
    assert tavro_python.IKyChunkData.GetChunkCount(buffer) == 0  # a buffer is a chunk interface


def test_raw_payload_never_claims_more_than_the_memory():
    buffer = native.new_KyBuffer(native.KyPayloadTypeRawData)
    raw = native.KyBuffer_GetRawData(buffer)
    big, small = np.zeros(64, np.uint8), np.zeros(16, np.uint8)
    assert native.KyRawData_Attach(raw, big) == native.KY_OK
    assert native.KyBuffer_Attach(buffer, small) == native.KY_OK  # other memory under the payload
    assert native.KyRawData_GetPayloadLength(raw) == 16
    detached = native.KyRawData_Detach(raw)
    assert address(detached) == address(small) and detached.shape == (16,)
