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
