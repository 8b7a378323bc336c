"""KyBuffer: payload types and views, memory as numpy views (no copy), attached arrays, identity,
timing and packet information, chunks, argument errors and ownership."""
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


def test_payload_type_decides_the_views():
    image = native.new_KyBuffer()
    raw = native.new_KyBuffer(native.KyPayloadTypeRawData)
    assert native.KyBuffer_GetPayloadType(image) == 1
    assert isinstance(native.KyBuffer_GetImage(image), tavro_python.KyImage)
    assert native.KyBuffer_GetRawData(image) is None
    assert native.KyBuffer_GetPayloadType(raw) == 2
    assert native.KyBuffer_GetImage(raw) is None
    assert isinstance(native.KyBuffer_GetRawData(raw), tavro_python.KyRawData)
    assert isinstance(native.KyBuffer_GetChunkData(native.new_KyBuffer(4)), tavro_python.KyChunkData)
    for getter in (native.KyBuffer_GetMultiPartContainer, native.KyBuffer_GetH264AccessUnit,
                   native.KyBuffer_GetTesmarCompressed):
        assert getter(image) is None


def test_proxy_class_builds_an_owned_buffer():
    buffer = tavro_python.KyBuffer(native.KyPayloadTypeChunkData)
    assert buffer.thisown
    assert buffer.GetPayloadType() == 4
    assert buffer.Alloc(16) == native.KY_OK
    assert buffer.GetDataPointer().shape == (16,)


def test_memory_is_a_view_of_the_buffer():
    buffer = native.new_KyBuffer()
    empty = native.KyBuffer_GetDataPointer(buffer)
    assert (empty.shape, empty.dtype) == ((0,), np.uint8)
    assert native.KyBuffer_GetSize(buffer) == 0
    assert native.KyBuffer_Alloc(buffer, 1000) == native.KY_OK
    first = native.KyBuffer_GetDataPointer(buffer)
    second = native.KyBuffer_GetDataPointer(buffer)
    assert (first.shape, first.dtype) == ((1000,), np.uint8)
    assert first.base is None and first.flags.writeable and first.flags.c_contiguous
    assert address(first) == address(second)
    first[123] = 77
    assert second[123] == 77
    assert native.KyBuffer_IsAllocated(buffer) and not native.KyBuffer_IsAttached(buffer)


def test_attach_uses_the_callers_array_in_place():
    buffer = native.new_KyBuffer()
    memory = np.zeros(256, dtype=np.uint8)
    assert native.KyBuffer_Attach(buffer, memory) == native.KY_OK
    assert native.KyBuffer_IsAttached(buffer)
    assert native.KyBuffer_GetSize(buffer) == 256
    view = native.KyBuffer_GetDataPointer(buffer)
    assert address(view) == address(memory)
    view[5] = 9
    assert memory[5] == 9
    detached = native.KyBuffer_Detach(buffer)
    assert detached is not memory
    assert address(detached) == address(memory) and detached.shape == (256,)
    assert native.KyBuffer_GetSize(buffer) == 0
    assert native.KyBuffer_Detach(buffer).shape == (0,)  # nothing attached any more


ATTACH_REFUSED = [
    # (case name, memory, exact text); the SDK is never asked, the buffer stays without memory
    ("two-dimensions", np.zeros((4, 4), np.uint8), "Array must have 1 dimensions.  Given array has 2 dimensions"),
    ("list", [1, 2, 3], "Array of type 'unsigned byte' required.  A 'list' was given"),
    ("other-dtype", np.zeros(8, np.uint16), "Array of type 'unsigned byte' required.  Array of type 'unsigned short' given"),
    ("non-contiguous", np.zeros(16, np.uint8)[::2], "Array must be contiguous.  A non-contiguous array was given"),
    ("read-only", np.frombuffer(b"abcd", np.uint8), "Array must be writeable.  A read-only array was given"),
    ("int", 5, "Array of type 'unsigned byte' required.  A 'int' was given"),
]


@pytest.mark.parametrize("memory,text", [c[1:] for c in ATTACH_REFUSED], ids=[c[0] for c in ATTACH_REFUSED])
def test_attach_refuses_what_would_need_a_temporary(memory, text):
    buffer = native.new_KyBuffer()
    with pytest.raises(TypeError) as raised:
        native.KyBuffer_Attach(buffer, memory)
    assert str(raised.value) == text
    assert native.KyBuffer_GetSize(buffer) == 0 and not native.KyBuffer_IsAttached(buffer)


def test_identity_is_the_native_buffer():
    buffer = native.new_KyBuffer()
    assert native.KyBuffer_Alloc(buffer, 64) == native.KY_OK
    image = native.KyBuffer_GetImage(buffer)
    again = native.KyImage_GetBuffer(image)
    assert again is not buffer
    assert native.KyBuffer___eq__(again, buffer) is True
    assert native.KyBuffer___hash__(again) == native.KyBuffer___hash__(buffer)
    assert native.KyBuffer___eq__(buffer, native.new_KyBuffer()) is False
    assert native.KyBuffer___eq__(buffer, None) is False
    assert native.KyBuffer___eq__(buffer, 5) is NotImplemented
    proxy = tavro_python.KyBuffer()
    found = {proxy: "mine"}
    assert found[proxy.GetImage().GetBuffer()] == "mine"
    assert (proxy == 5) is False


def test_identity_timing_and_packet_information():
    buffer = native.new_KyBuffer()
    assert native.KyBuffer_GetID(buffer) == 0
    assert native.KyBuffer_SetID(buffer, 2 ** 64 - 1) is None
    assert native.KyBuffer_GetID(buffer) == 18446744073709551615
    for setter, getter in ((native.KyBuffer_SetTimestamp, native.KyBuffer_GetTimestamp),
                           (native.KyBuffer_SetDuration, native.KyBuffer_GetDuration),
                           (native.KyBuffer_SetBlockID, native.KyBuffer_GetBlockID),
                           (native.KyBuffer_SetReceptionTime, native.KyBuffer_GetReceptionTime)):
        assert setter(buffer, 2 ** 63 + 5) == native.KY_OK
        assert getter(buffer) == 2 ** 63 + 5
    assert native.KyBuffer_GetOperationResult(buffer) == native.KY_OK
    count = native.KyBuffer_GetMissingPacketIdsCount(buffer)
    assert type(count) is list and count[1:] == [0] and count[0] == native.KY_OK
    missing = native.KyBuffer_GetMissingPacketIds(buffer, 0)
    assert type(missing) is list and len(missing) == 3 and missing[1:] == [0, 0]
    assert missing[0] == native.KY_NOT_FOUND
    for counter in ("PacketsRecoveredCount", "PacketsRecoveredSingleResendCount", "ResendGroupRequestedCount",
                    "ResendPacketRequestedCount", "LostPacketCount", "IgnoredPacketCount",
                    "RedundantPacketCount", "PacketOutOfOrderCount", "AcquiredSize", "RequiredSize"):
        assert getattr(native, "KyBuffer_Get" + counter)(buffer) == 0
    for flag in ("IsExtendedID", "IsHeaderValid", "IsTrailerValid", "IsLargeLeaderTrailerEnabled"):
        assert getattr(native, "KyBuffer_" + flag)(buffer) is False


def test_reset_goes_back_to_an_image_buffer():
    buffer = native.new_KyBuffer(2)
    assert native.KyBuffer_Alloc(buffer, 10) == native.KY_OK
    assert native.KyBuffer_Reset(buffer) == native.KY_OK
    assert native.KyBuffer_GetPayloadType(buffer) == 1 and native.KyBuffer_GetSize(buffer) == 0
    assert native.KyBuffer_Reset(buffer, 4) == native.KY_OK
    assert native.KyBuffer_GetPayloadType(buffer) == 4


def test_chunks_of_a_buffer():
    buffer = native.new_KyBuffer(native.KyPayloadTypeChunkData)
    assert native.KyBuffer_Alloc(buffer, 64) == native.KY_OK
    native.KyBuffer_ResetChunks(buffer)
    assert native.KyBuffer_SetChunkLayoutID(buffer, 7) is None
    assert native.KyBuffer_AddChunk(buffer, 5, b"ab") == native.KY_OK
    assert native.KyBuffer_AddChunk(buffer, 6, b"") == native.KY_OK
    assert native.KyBuffer_HasChunks(buffer) is True
    assert native.KyBuffer_GetChunkCount(buffer) == 2
    assert native.KyBuffer_GetChunkLayoutID(buffer) == 7
    assert native.KyBuffer_GetChunkIDByIndex(buffer, 0) == [native.KY_OK, 5]
    assert native.KyBuffer_GetChunkIDByIndex(buffer, 9)[1:] == [0]
    assert native.KyBuffer_GetChunkSizeByIndex(buffer, 0) == 2
    assert native.KyBuffer_GetChunkSizeByID(buffer, 6) == 0
    assert native.KyBuffer_GetChunkDataSize(buffer) == 2 + 8 + 8
    by_id = native.KyBuffer_GetChunkRawDataByID(buffer, 5)
    assert by_id.tolist() == [97, 98]
    by_id[0] = 65  # a view of the payload
    assert native.KyBuffer_GetChunkRawDataByIndex(buffer, 0).tolist() == [65, 98]
    assert native.KyBuffer_GetChunkRawDataByID(buffer, 99).shape == (0,)
    with pytest.raises(TypeError) as raised:
        native.KyBuffer_AddChunk(buffer, 5, bytearray(b"ab"))
    assert str(raised.value) == arg_text("KyBuffer_AddChunk", 3, "uint8_t const *")


ERRORS = [
    # (case name, function, arguments, exception, exact text)
    ("alloc-negative", native.KyBuffer_Alloc, (native.new_KyBuffer(), -1), OverflowError,
     arg_text("KyBuffer_Alloc", 2, "uint32_t")),
    ("alloc-float", native.KyBuffer_Alloc, (native.new_KyBuffer(), 1.0), TypeError,
     arg_text("KyBuffer_Alloc", 2, "uint32_t")),
    ("timestamp-too-big", native.KyBuffer_SetTimestamp, (native.new_KyBuffer(), 2 ** 64), OverflowError,
     arg_text("KyBuffer_SetTimestamp", 2, "uint64_t")),
    ("id-negative", native.KyBuffer_SetID, (native.new_KyBuffer(), -1), OverflowError,
     arg_text("KyBuffer_SetID", 2, "uint64_t")),
    ("size-not-a-buffer", native.KyBuffer_GetSize, ("x",), TypeError, arg_text("KyBuffer_GetSize", 1, "KyBuffer const *")),
    ("size-none", native.KyBuffer_GetSize, (None,), TypeError, arg_text("KyBuffer_GetSize", 1, "KyBuffer const *")),
    ("attach-count", native.KyBuffer_Attach, (native.new_KyBuffer(),), TypeError,
     "KyBuffer_Attach expected 2 arguments, got 1"),
    ("new-text", native.new_KyBuffer, ("x",), TypeError,
     dispatch_text("new_KyBuffer", "KyBuffer::KyBuffer(KyPayloadType)", "KyBuffer::KyBuffer()")),
    ("new-too-big", native.new_KyBuffer, (2 ** 31,), TypeError,
     dispatch_text("new_KyBuffer", "KyBuffer::KyBuffer(KyPayloadType)", "KyBuffer::KyBuffer()")),
    ("reset-text", native.KyBuffer_Reset, (native.new_KyBuffer(), "x"), TypeError,
     dispatch_text("KyBuffer_Reset", "KyBuffer::Reset(KyPayloadType)", "KyBuffer::Reset()")),
    ("image-not-a-buffer", native.KyBuffer_GetImage, (5,), TypeError,
     dispatch_text("KyBuffer_GetImage", "KyBuffer::GetImage()", "KyBuffer::GetImage() const")),
    ("data-not-a-buffer", native.KyBuffer_GetDataPointer, (5,), TypeError,
     dispatch_text("KyBuffer_GetDataPointer", "KyBuffer::GetDataPointer() const", "KyBuffer::GetDataPointer()")),
]


@pytest.mark.parametrize("function,args,error,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_argument_errors(function, args, error, text):
    with pytest.raises(error) as raised:
        function(*args)
    assert type(raised.value) is error
    assert str(raised.value) == text


def test_deleting_a_borrowed_buffer_leaves_it_to_its_owner():
    buffer = native.new_KyBuffer()
    assert native.KyBuffer_Alloc(buffer, 32) == native.KY_OK
    borrowed = native.KyImage_GetBuffer(native.KyBuffer_GetImage(buffer))
    assert native.delete_KyBuffer(borrowed) is None
    assert native.KyBuffer_GetSize(buffer) == 32  # still there
    view = native.KyBuffer_GetDataPointer(buffer)
    view[:] = 1
    assert native.delete_KyBuffer(buffer) is None  # the owner's delete destroys it
    assert native.delete_KyBuffer(None) is None


def test_h264_and_compressed_payloads_give_opaque_views():
    for payload, getter, name in ((native.KyPayloadTypeH264, native.KyBuffer_GetH264AccessUnit, "IKyH264AccessUnit *"),
                                  (native.KyPayloadTypeTesmarCompressed, native.KyBuffer_GetTesmarCompressed,
                                   "KyTesmarCompressed *")):
        buffer = native.new_KyBuffer(payload)
        view = getter(buffer)
        assert view is not None
        assert name in repr(view)
        assert native.KyBuffer_GetImage(buffer) is None
