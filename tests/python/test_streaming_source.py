"""Streaming channel sources in Python without a device: the base behaviours, the out-value
shapes, and how an override's answer is refused. A flat function called with the source's bare
instance object (not the Python object itself) forwards into the Python override, as the device
does."""
import _tavro_python as native
import pytest
import tavro_python as ky


class Plain(ky.KyStreamingChannelSourceDefault):
    pass


def test_default_source_base_behaviours():
    source = Plain()
    assert (source.GetWidth(), source.GetHeight(), source.GetPixelType()) == (640, 480, ky.KyPixelMono8)
    assert source.GetWidthInfo() == (1, 16384, 1)
    result, pixel = source.GetSupportedPixelType(0)
    assert result.IsOK() and pixel == ky.KyPixelMono8
    result, chunk_id, name = source.GetSupportedChunk(0)
    assert not result.IsOK() and (chunk_id, name) == (0, "")
    result, maximum = native.IKyStreamingChannelSource_GetGevSCPSPacketSizeInfo(source.this)
    assert result.GetCode() == ky.KY_NOT_IMPLEMENTED and maximum == 0
    assert Plain(800).GetHeight() == 480


def test_alloc_buffer_of_the_default_source_is_not_owned():
    source = Plain(16, 8, ky.KyPixelMono8, 2)
    buffer = source.AllocBuffer()
    assert buffer is not None and not buffer.thisown
    source.FreeBuffer(buffer)


class Answers(ky.KyStreamingChannelSourceDefault):
    """Answers what the test sets."""

    def __init__(self, **answers):
        super().__init__()
        self.answers = answers

    def GetSupportedPixelType(self, index):
        return self.answers["pixel"]

    def GetSupportedChunk(self, index):
        return self.answers["chunk"]

    def SetWidth(self, width):
        return self.answers["set"]

    def GetWidthInfo(self):
        return self.answers["info"]


REFUSALS = [
    ("pixel-none", native.KyStreamingChannelSourceDefault_GetSupportedPixelType, (0,), {"pixel": None}, TypeError,
     "SWIG director type mismatch Python method KyStreamingChannelSourceDefault.GetSupportedPixelType"
     "failed to return a tuple."),
    ("pixel-short", native.KyStreamingChannelSourceDefault_GetSupportedPixelType, (0,), {"pixel": (0,)},
     IndexError, "tuple index out of range"),
    ("pixel-empty", native.KyStreamingChannelSourceDefault_GetSupportedPixelType, (0,), {"pixel": ()}, TypeError,
     "SWIG director type mismatch in method GetSupportedPixelType with output value of type 'KyResult'"),
    ("chunk-short", native.KyStreamingChannelSourceDefault_GetSupportedChunk, (0,), {"chunk": (0, 5)}, IndexError,
     "tuple index out of range"),
    ("chunk-name", native.KyStreamingChannelSourceDefault_GetSupportedChunk, (0,), {"chunk": (0, 5, 7)}, TypeError,
     "SWIG director type mismatch in output value of type str"),
    ("set-none", native.KyStreamingChannelSourceDefault_SetWidth, (8,), {"set": None}, TypeError,
     "SWIG director type mismatch in method SetWidth with output value of type 'KyResult'"),
    ("set-str", native.KyStreamingChannelSourceDefault_SetWidth, (8,), {"set": "0"}, TypeError,
     "SWIG director type mismatch in method SetWidth with output value of type 'KyResult'"),
    ("info-negative", native.KyStreamingChannelSourceDefault_GetWidthInfo, (), {"info": (1, -2, 1)}, OverflowError,
     "SWIG director type mismatch in output value of type 'uint32_t'"),
]


@pytest.mark.parametrize("function,args,answers,error,text", [c[1:] for c in REFUSALS],
                         ids=[c[0] for c in REFUSALS])
def test_refused_answers_fail_the_operation(function, args, answers, error, text):
    source = Answers(**answers)
    with pytest.raises(error) as raised:
        function(source.this, *args)
    assert str(raised.value) == text


def test_accepted_answers():
    source = Answers(pixel=(0, ky.KyPixelMono8), chunk=(0, 7, "Stamp"), set=ky.KY_OK, info=(8, 64, 8))
    result, pixel = native.KyStreamingChannelSourceDefault_GetSupportedPixelType(source.this, 3)
    assert result.IsOK() and pixel == ky.KyPixelMono8
    result, chunk_id, name = native.KyStreamingChannelSourceDefault_GetSupportedChunk(source.this, 0)
    assert (result.IsOK(), chunk_id, name) == (True, 7, "Stamp")
    assert native.KyStreamingChannelSourceDefault_SetWidth(source.this, 8).IsOK()
    assert native.KyStreamingChannelSourceDefault_GetWidthInfo(source.this) == (8, 64, 8)


def test_retrieve_buffer_refuses_a_null_out_pointer():
    source = Plain()
    with pytest.raises(TypeError) as raised:
        native.IKyStreamingChannelSource_RetrieveBuffer(source, None)
    assert str(raised.value) == "in method 'IKyStreamingChannelSource_RetrieveBuffer', argument 2 of type 'KyBuffer **'"


def test_pure_upcall_of_the_interface():
    class Bare(ky.IKyStreamingChannelSource):
        pass
    with pytest.raises(RuntimeError) as raised:
        Bare().GetWidth()
    assert str(raised.value) == "SWIG director pure virtual method called IKyStreamingChannelSource::GetWidth"


# Null and absent arguments to the default source's base behaviours: an absent address is
# refused before the SDK sees it; null buffers, maps and factories are taken and change nothing.
NULL_ARGUMENTS = [
    ("open-default", native.KyStreamingChannelSourceDefault_OnOpen, (None, 5), TypeError,
     "Argument 2: failed to create KyString from Python string"),
    ("open-interface", native.IKyStreamingChannelSource_OnOpen, (None, 5), TypeError,
     "Argument 2: failed to create KyString from Python string"),
    ("free", native.KyStreamingChannelSourceDefault_FreeBuffer, (None,), None, None),
    ("registers", native.KyStreamingChannelSourceDefault_CreateRegisters, (None, None), None, None),
    ("features", native.KyStreamingChannelSourceDefault_CreateGenApiFeatures, (None, None), None, None),
    ("queue-pure", native.IKyStreamingChannelSource_QueueBuffer, (None,), RuntimeError,
     "SWIG director pure virtual method called IKyStreamingChannelSource::QueueBuffer"),
]


@pytest.mark.parametrize("function,args,error,text", [c[1:] for c in NULL_ARGUMENTS],
                         ids=[c[0] for c in NULL_ARGUMENTS])
def test_null_arguments_to_the_default_source(function, args, error, text):
    source = Plain(16, 8, ky.KyPixelMono8, 2)
    buffer = source.AllocBuffer()
    if error is None:
        assert function(source, *args) is None
    else:
        with pytest.raises(error) as raised:
            function(source, *args)
        assert str(raised.value) == text
    # The source is as it was: open and closed by its own hooks only, its one buffer still its own.
    assert source.GetWidth() == 16
    source.FreeBuffer(buffer)


# Out-values of a failed query start at 0 (or an empty name): nothing uninitialised reaches Python.
ZERO_OUT_VALUES = [
    ("pixel", lambda s: native.KyStreamingChannelSourceDefault_GetSupportedPixelType(s, 99), (0,)),
    ("pixel-negative", lambda s: native.KyStreamingChannelSourceDefault_GetSupportedPixelType(s, -1), (0,)),
    ("chunk", lambda s: native.KyStreamingChannelSourceDefault_GetSupportedChunk(s, 3), (0, "")),
    ("packet-size", lambda s: native.IKyStreamingChannelSource_GetGevSCPSPacketSizeInfo(s), (0,)),
]


@pytest.mark.parametrize("call,values", [c[1:] for c in ZERO_OUT_VALUES], ids=[c[0] for c in ZERO_OUT_VALUES])
def test_out_values_of_a_failed_query_start_at_zero(call, values):
    answer = call(Plain())
    assert type(answer) is tuple and not answer[0].IsOK()
    assert answer[1:] == values


# The docstrings come from the SDK headers: both classes' rows carry their operation's text.
DOCSTRINGS = [
    ("delete_IKyStreamingChannelSource", " Virtual destructor."),
    ("delete_KyStreamingChannelSourceDefault", " Destructor"),
    ("new_KyStreamingChannelSourceDefault", ":param aBufferCount: Number of buffers to allocate for streaming."),
    ("IKyStreamingChannelSource_GetWidthInfo", "IKyStreamingChannelSource::GetWidthInfo() -> ( aMin, aMax, aInc )"),
    ("KyStreamingChannelSourceDefault_GetHeightInfo",
     "IKyStreamingChannelSource::GetHeightInfo() -> ( aMin, aMax, aInc )"),
    ("KyStreamingChannelSourceDefault_GetSupportedPixelType",
     "IKyStreamingChannelSource::GetSupportedPixelType( aIndex ) -> ( aResult, aPixelType )"),
    ("IKyStreamingChannelSource_GetSupportedChunk",
     "IKyStreamingChannelSource::GetSupportedChunk( aIndex ) -> ( aResult, aChunkID, aChunkName )"),
    ("IKyStreamingChannelSource_GetGevSCPSPacketSizeInfo",
     "IKyStreamingChannelSource::GetGevSCPSPacketSizeInfo() -> ( aResult, aMax )"),
    ("IKyStreamingChannelSource_RetrieveBuffer", "IKyStreamingChannelSource::RetrieveBuffer( notused ) -> ( aResult, aBuffer )"),
    ("KyStreamingChannelSourceDefault_SetWidth", ":rtype: :py:class:`KyResult`"),
    ("KyStreamingChannelSourceDefault_AllocBuffer", "FreeBuffer hands each back when the device stops"),
    ("IKyStreamingChannelSource_OnOpen", ":param aDestPort: the destination's UDP port (SCP)"),
]


@pytest.mark.parametrize("name,text", DOCSTRINGS, ids=[d[0] for d in DOCSTRINGS])
def test_docstrings_from_the_sdk_headers(name, text):
    doc = getattr(native, name).__doc__
    assert doc is not None and text in doc, doc


def test_every_operation_row_has_a_docstring():
    for cls in ("IKyStreamingChannelSource", "KyStreamingChannelSourceDefault"):
        rows = [n for n in dir(native) if n.startswith(cls + "_") and not n.endswith(("swigregister", "swiginit"))]
        assert len(rows) > 20, rows
        assert [n for n in rows if not getattr(native, n).__doc__] == []
