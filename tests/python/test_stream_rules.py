"""Streams, the GigE Vision stream, the pipeline and its event sink without a camera: dispatch and
argument texts, result shapes, ownership, and the sink's director rules."""
import sys

import pytest

import _tavro_python as native
import tavro_python as ky


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


def overload_text(function, prototypes):
    return ("Wrong number or type of arguments for overloaded function '%s'.\n  Possible C/C++ prototypes are:\n"
            % function) + "".join("    %s\n" % p for p in prototypes)


CREATE_AND_OPEN = overload_text("KyStream_CreateAndOpen", [
    "KyStream::CreateAndOpen(KyDeviceInfo const *,KyResult *)", "KyStream::CreateAndOpen(KyString const &,KyResult *)"])
STREAM_OPEN = overload_text("KyStream_Open", ["KyStream::Open(KyDeviceInfo const *)", "KyStream::Open(KyString const &)"])
RETRIEVE = overload_text("KyStream_RetrieveBuffer", [
    "KyStream::RetrieveBuffer(KyBuffer **,KyResult *,uint32_t)", "KyStream::RetrieveBuffer(KyBuffer **,KyResult *)"])
GEV_OPEN = overload_text("KyStreamGEV_Open", [
    "KyStreamGEV::Open(KyDeviceInfo const *)",
    "KyStreamGEV::Open(KyDeviceInfo const *,uint16_t,uint16_t,KyString const &,uint32_t)",
    "KyStreamGEV::Open(KyDeviceInfo const *,uint16_t,uint16_t,KyString const &)",
    "KyStreamGEV::Open(KyDeviceInfo const *,uint16_t,uint16_t)",
    "KyStreamGEV::Open(KyDeviceInfo const *,uint16_t)",
    "KyStreamGEV::Open(KyDeviceInfo const *,KyString const &,uint16_t,uint16_t,KyString const &,uint32_t)",
    "KyStreamGEV::Open(KyDeviceInfo const *,KyString const &,uint16_t,uint16_t,KyString const &)",
    "KyStreamGEV::Open(KyDeviceInfo const *,KyString const &,uint16_t,uint16_t)",
    "KyStreamGEV::Open(KyDeviceInfo const *,KyString const &,uint16_t)",
    "KyStreamGEV::Open(KyString const &)",
    "KyStreamGEV::Open(KyString const &,uint16_t,uint16_t,KyString const &,uint32_t)",
    "KyStreamGEV::Open(KyString const &,uint16_t,uint16_t,KyString const &)",
    "KyStreamGEV::Open(KyString const &,uint16_t,uint16_t)",
    "KyStreamGEV::Open(KyString const &,uint16_t)",
    "KyStreamGEV::Open(KyString const &,KyString const &,uint16_t,uint16_t,KyString const &,uint32_t)",
    "KyStreamGEV::Open(KyString const &,KyString const &,uint16_t,uint16_t,KyString const &)",
    "KyStreamGEV::Open(KyString const &,KyString const &,uint16_t,uint16_t)",
    "KyStreamGEV::Open(KyString const &,KyString const &,uint16_t)"])
DRIVER = overload_text("KyStreamGEV_IsDriverInstalled", [
    "KyStreamGEV::IsDriverInstalled(KyString &,bool &,KyString const &)",
    "KyStreamGEV::IsDriverInstalled(KyString &,bool &)"])
NEXT_BUFFER = overload_text("KyPipeline_RetrieveNextBuffer", [
    "KyPipeline::RetrieveNextBuffer(KyBuffer **,uint32_t,KyResult *)",
    "KyPipeline::RetrieveNextBuffer(KyBuffer **,uint32_t)",
    "KyPipeline::RetrieveNextBuffer(KyBuffer **)"])


def text_error(position):
    return "Argument %d: failed to create KyString from Python string" % position


STREAM = ky.KyStreamGEV()
PIPELINE = ky.KyPipeline(STREAM)
RESULT = ky.KyResult()

ERRORS = [
    ("create-int", native.KyStream_CreateAndOpen, (5,), TypeError, CREATE_AND_OPEN),
    ("create-none-args", native.KyStream_CreateAndOpen, (), TypeError, CREATE_AND_OPEN),
    ("create-two", native.KyStream_CreateAndOpen, ("a", "b"), TypeError,
     "KyStream_CreateAndOpen expected at most 1 arguments, got 2\nAdditional information:\n" + CREATE_AND_OPEN),
    ("open-int-text", native.KyStream_Open, (STREAM, 5), TypeError, text_error(2)),
    ("open-no-stream", native.KyStream_Open, (RESULT, "1.2.3.4"), TypeError, STREAM_OPEN),
    ("open-count", native.KyStream_Open, (STREAM, "a", "b"), TypeError,
     "KyStream_Open expected at most 2 arguments, got 3\nAdditional information:\n" + STREAM_OPEN),
    ("retrieve-negative", native.KyStream_RetrieveBuffer, (STREAM, -1), TypeError, RETRIEVE),
    ("retrieve-float", native.KyStream_RetrieveBuffer, (STREAM, 1.5), TypeError, RETRIEVE),
    ("retrieve-too-big", native.KyStream_RetrieveBuffer, (STREAM, 2 ** 32), TypeError, RETRIEVE),
    ("retrieve-none-args", native.KyStream_RetrieveBuffer, (), TypeError, RETRIEVE),
    ("queue-not-buffer", native.KyStream_QueueBuffer, (STREAM, RESULT), TypeError,
     arg_text("KyStream_QueueBuffer", 2, "KyBuffer *")),
    ("register-not-sink", native.KyStream_RegisterEventSink, (STREAM, 5), TypeError,
     arg_text("KyStream_RegisterEventSink", 2, "KyStreamEventSink *")),
    ("free-not-stream", native.KyStream_Free, (RESULT,), TypeError, arg_text("KyStream_Free", 1, "KyStream *")),
    ("is-open-none", native.KyStream_IsOpen, (None,), TypeError, arg_text("KyStream_IsOpen", 1, "KyStream const *")),
    ("gev-open-int-text", native.KyStreamGEV_Open, (STREAM, 5), TypeError, text_error(2)),
    ("gev-open-none-group", native.KyStreamGEV_Open, (STREAM, None, None, 1042), TypeError, text_error(3)),
    ("gev-open-bad-local-unicast", native.KyStreamGEV_Open, (STREAM, "1.2.3.4", 0, 0, 5), TypeError, text_error(5)),
    ("gev-open-bad-local-multicast", native.KyStreamGEV_Open, (STREAM, "1.2.3.4", "239.1.1.1", 1, 0, 5), TypeError,
     text_error(6)),
    ("gev-open-port-too-big", native.KyStreamGEV_Open, (STREAM, None, 70000), TypeError, GEV_OPEN),
    ("gev-open-port-negative", native.KyStreamGEV_Open, (STREAM, None, -1), TypeError, GEV_OPEN),
    ("gev-open-port-float", native.KyStreamGEV_Open, (STREAM, None, 1.0), TypeError, GEV_OPEN),
    ("gev-open-capacity-too-big", native.KyStreamGEV_Open, (STREAM, None, 0, 0, "", 2 ** 32), TypeError, GEV_OPEN),
    ("gev-open-self-only", native.KyStreamGEV_Open, (STREAM,), TypeError, GEV_OPEN),
    ("gev-open-eight", native.KyStreamGEV_Open, (STREAM, 1, 2, 3, 4, 5, 6, 7), TypeError,
     "KyStreamGEV_Open expected at most 7 arguments, got 8\nAdditional information:\n" + GEV_OPEN),
    ("gev-rx-size-type", native.KyStreamGEV_SetUserModeSocketRxBufferSize, (STREAM, "x"), TypeError,
     arg_text("KyStreamGEV_SetUserModeSocketRxBufferSize", 2, "uint32_t")),
    ("gev-wait-int", native.KyStreamGEV_SetWaitForFirstPacketOfBlockToStart, (STREAM, 1), TypeError,
     arg_text("KyStreamGEV_SetWaitForFirstPacketOfBlockToStart", 2, "bool")),
    ("gev-port-not-gev", native.KyStreamGEV_GetLocalPort, (RESULT,), TypeError,
     arg_text("KyStreamGEV_GetLocalPort", 1, "KyStreamGEV const *")),
    ("gev-flush-not-gev", native.KyStreamGEV_FlushPacketQueue, (RESULT,), TypeError,
     arg_text("KyStreamGEV_FlushPacketQueue", 1, "KyStreamGEV *")),
    ("driver-no-bool", native.KyStreamGEV_IsDriverInstalled, (ky.KyString("1.2.3.4"), None), TypeError, DRIVER),
    ("pipeline-not-stream", native.new_KyPipeline, (RESULT,), TypeError, arg_text("new_KyPipeline", 1, "KyStream *")),
    ("next-no-timeout", native.KyPipeline_RetrieveNextBuffer, (PIPELINE,), TypeError, NEXT_BUFFER),
    ("next-negative", native.KyPipeline_RetrieveNextBuffer, (PIPELINE, -1), TypeError, NEXT_BUFFER),
    ("next-too-big", native.KyPipeline_RetrieveNextBuffer, (PIPELINE, 2 ** 32), TypeError, NEXT_BUFFER),
    ("next-float", native.KyPipeline_RetrieveNextBuffer, (PIPELINE, 1.5), TypeError, NEXT_BUFFER),
    ("next-two-ints", native.KyPipeline_RetrieveNextBuffer, (PIPELINE, 1, 2), TypeError,
     arg_text("KyPipeline_RetrieveNextBuffer", 2, "KyBuffer **")),
    ("next-int-and-float", native.KyPipeline_RetrieveNextBuffer, (PIPELINE, 1, 2.5), TypeError, NEXT_BUFFER),
    ("next-four", native.KyPipeline_RetrieveNextBuffer, (PIPELINE, 1, 2, 3), TypeError,
     "KyPipeline_RetrieveNextBuffer expected at most 3 arguments, got 4\nAdditional information:\n" + NEXT_BUFFER),
    ("pipeline-count-type", native.KyPipeline_SetBufferCount, (PIPELINE, "x"), TypeError,
     arg_text("KyPipeline_SetBufferCount", 2, "uint32_t")),
    ("pipeline-bool-one", native.KyPipeline_SetHandleBufferTooSmall, (PIPELINE, 1), TypeError,
     arg_text("KyPipeline_SetHandleBufferTooSmall", 2, "bool")),
    ("pipeline-release-not-buffer", native.KyPipeline_ReleaseBuffer, (PIPELINE, RESULT), TypeError,
     arg_text("KyPipeline_ReleaseBuffer", 2, "KyBuffer *")),
    ("pipeline-size-const", native.KyPipeline_GetBufferSize, (RESULT,), TypeError,
     arg_text("KyPipeline_GetBufferSize", 1, "KyPipeline const *")),
    ("pipeline-sink-type", native.KyPipeline_RegisterEventSink, (PIPELINE, RESULT), TypeError,
     arg_text("KyPipeline_RegisterEventSink", 2, "KyPipelineEventSink *")),
    ("upcall-count", native.KyPipelineEventSink_OnStart, (None,), TypeError,
     "KyPipelineEventSink_OnStart expected 2 arguments, got 1"),
    ("upcall-bool-pointer", native.KyPipelineEventSink_OnBufferTooSmall,
     (ky.KyPipelineEventSink(), PIPELINE, True, None), TypeError,
     arg_text("KyPipelineEventSink_OnBufferTooSmall", 3, "bool *")),
]


@pytest.mark.parametrize("function,args,error,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_argument_errors(function, args, error, text):
    with pytest.raises(error) as raised:
        function(*args)
    if text is not None:
        assert str(raised.value) == text


def test_closed_stream_answers():
    stream = ky.KyStreamGEV()
    assert stream.thisown
    assert native.KyStream_IsOpen(stream) is False
    assert native.KyStream_GetType(stream) == ky.KyStreamTypeGEV == native.KyStreamGEV_GetType(stream)
    assert native.KyStreamGEV_GetDataReceiverType(stream) == ky.KyDataReceiverTypeUserMode
    local = native.KyStreamGEV_GetLocalIPAddress(stream)
    assert type(local) is ky.KyString and local.thisown and str(local) == ""
    assert native.KyStreamGEV_GetSpecificLocalPort(stream) == 0
    got = native.KyStream_RetrieveBuffer(stream, 0)
    assert type(got) is list and len(got) == 3 and got[1] is None
    assert got[0].GetCode() == ky.KY_NO_MORE_ITEM and got[2].thisown
    size = native.KyStreamGEV_GetUserModeSocketRxBufferSize(stream)
    assert type(size) is tuple and size[0].IsOK() and size[1] > 0
    assert native.KyStreamGEV_SetUserModeSocketRxBufferSize(stream, 1 << 20).IsOK()
    assert native.KyStreamGEV_GetUserModeSocketRxBufferSize(stream)[1] == 1 << 20
    assert native.KyStreamGEV_SetWaitForFirstPacketOfBlockToStart(stream, True).GetCode() == ky.KY_NOT_SUPPORTED
    assert native.KyStreamGEV_FlushPacketQueue(stream).GetCode() == ky.KY_NOT_CONNECTED
    buffer = ky.KyBuffer(ky.KyPayloadTypeImage)
    assert buffer.Alloc(64).IsOK()
    assert native.KyStream_QueueBuffer(stream, buffer).GetCode() == ky.KY_NOT_CONNECTED
    # Opens that the SDK refuses come back as results.
    assert native.KyStream_Open(stream, None).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyStreamGEV_Open(stream, "no address", 0).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyStreamGEV_Open(stream, "127.0.0.1", "127.0.0.1", 1042).GetCode() == ky.KY_INVALID_PARAMETER
    r, made = native.KyStream_CreateAndOpen(None)
    assert r.GetCode() == ky.KY_INVALID_PARAMETER and made is None
    r, made = native.KyStream_CreateAndOpen("no address")
    assert r.GetCode() == ky.KY_NOT_FOUND and made is None


def test_pipeline_over_a_closed_stream(priority_in_effect):
    stream = ky.KyStreamGEV()
    pipeline = ky.KyPipeline(stream)
    assert pipeline.thisown
    assert native.KyPipeline_IsStarted(pipeline) is False
    assert native.KyPipeline_Start(pipeline).GetCode() == ky.KY_NOT_CONNECTED
    got = native.KyPipeline_RetrieveNextBuffer(pipeline, 0)
    assert type(got) is tuple and len(got) == 3 and got[1] is None
    assert got[0].GetCode() == ky.KY_STATE_ERROR and got[2].thisown  # not started
    assert native.KyPipeline_SetBufferCount(pipeline, 0).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyPipeline_SetBufferCount(pipeline, 6).IsOK()
    assert native.KyPipeline_GetBufferCount(pipeline) == 6
    assert native.KyPipeline_SetBufferSize(pipeline, 4096) is None
    assert native.KyPipeline_GetBufferSize(pipeline) == 4096
    assert native.KyPipeline_SetHandleBufferTooSmall(pipeline, False) is None
    assert native.KyPipeline_GetHandleBufferTooSmall(pipeline) is False
    assert native.KyPipeline_GetOutputQueueSize(pipeline) == 0
    assert native.KyPipeline_ReleaseBuffer(pipeline, None).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyPipeline_RegisterEventSink(pipeline, None).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyPipeline_SetBufferHandlingThreadPriority(pipeline, 5).IsOK()
    assert native.KyPipeline_GetBufferHandlingThreadPriority(pipeline) == priority_in_effect(5)
    assert native.KyPipeline_SetBufferHandlingThreadPriority(pipeline, 100).GetCode() == ky.KY_INVALID_PARAMETER
    del pipeline
    assert native.KyStream_IsOpen(stream) is False  # the stream stays the caller's


def test_a_pipeline_proxy_keeps_its_stream_alive():
    import gc

    pipeline = ky.KyPipeline(ky.KyStreamGEV())  # nothing else holds the stream
    gc.collect()
    assert native.KyPipeline_Start(pipeline).GetCode() == ky.KY_NOT_CONNECTED
    assert native.KyPipeline_SetBufferCount(pipeline, 6).IsOK()
    del pipeline
    gc.collect()


class DefaultsSink(ky.KyPipelineEventSink):
    """Each operation reaches the SDK's default through the upcall with itself first."""

    def __init__(self):
        super().__init__()
        self.calls = []

    def OnStart(self, pipeline):
        self.calls.append("OnStart")
        native.KyPipelineEventSink_OnStart(self, pipeline)


def test_sink_upcalls_reach_the_defaults():
    sink = DefaultsSink()
    assert native.KyPipelineEventSink_OnStart(sink, PIPELINE) is None
    assert sink.calls == []  # the sink's own object first: the SDK default, not the override
    plain = ky.KyPipelineEventSink()
    for upcall, args in [(native.KyPipelineEventSink_OnStart, (PIPELINE,)),
                         (native.KyPipelineEventSink_OnStop, (PIPELINE,)),
                         (native.KyPipelineEventSink_OnReset, (PIPELINE,)),
                         (native.KyPipelineEventSink_OnBufferReady, (PIPELINE,)),
                         (native.KyPipelineEventSink_OnBufferCreated, (PIPELINE, None)),
                         (native.KyPipelineEventSink_OnBufferDeleted, (PIPELINE, None)),
                         (native.KyPipelineEventSink_OnBufferTooSmall, (PIPELINE, None, None))]:
        assert upcall(plain, *args) is None
    # Any object makes a director; what it lacks shows only when an operation is called.
    made = native.new_KyPipelineEventSink(5)
    assert made is not None
    native.delete_KyPipelineEventSink(made)


def test_a_registration_holds_its_sink_until_unregistered_or_the_pipeline_goes():
    pipeline = ky.KyPipeline(STREAM)
    sink = DefaultsSink()
    before = sys.getrefcount(sink)
    assert native.KyPipeline_RegisterEventSink(pipeline, sink).IsOK()
    assert sys.getrefcount(sink) == before + 1
    # a refused registration holds nothing more
    assert native.KyPipeline_RegisterEventSink(pipeline, sink).GetCode() == ky.KY_STATE_ERROR
    assert sys.getrefcount(sink) == before + 1
    assert native.KyPipeline_UnregisterEventSink(pipeline, sink).IsOK()
    assert sys.getrefcount(sink) == before
    assert native.KyPipeline_UnregisterEventSink(pipeline, sink).GetCode() == ky.KY_STATE_ERROR
    assert sys.getrefcount(sink) == before
    assert native.KyPipeline_RegisterEventSink(pipeline, sink).IsOK()
    del pipeline
    assert sys.getrefcount(sink) == before
