"""What the SDK calls back stays alive while the SDK can call it: sinks and sources dropped by the
program are held by their registration, released on unregistering or with their owner (no object
left behind over many cycles); a pipeline stopped or reset from its own sink refuses with a
KyResult instead of throwing into Python; an override's error does not fail the next override."""
import gc
import threading
import weakref

import _tavro_python as native
import tavro_testing as testing
import pytest
import tavro_python as ky

from netns_helpers import SoftCameras, wait_for
from source_helpers import DrawingSource, start_device
from stream_helpers import PLAIN_IP, STREAM_CAMERAS

EVENT_MAC, EVENT_IP = "02:00:0a:0a:02:02", "10.10.2.3"
LOOPBACK_MAC = "00:00:00:00:00:00"


class CountingSink(ky.KyDeviceEventSink):
    """Counts its events in a list the test keeps, so the sink itself can be dropped."""

    def __init__(self, events):
        super().__init__()
        self.events = events

    def OnEvent(self, device, eventID, channel, blockID, timestamp, data):
        self.events.append(eventID)


@pytest.fixture
def event_camera():
    camera = testing.TestEventCamera()
    assert camera.Start(EVENT_MAC, EVENT_IP).IsOK()
    yield camera
    camera.Stop()


def connect(camera):
    r, device = native.KyDevice_CreateAndConnect(EVENT_IP)
    assert r.IsOK(), str(r.GetDescription())
    assert wait_for(camera.IsChannelOpen)
    return device


def test_a_dropped_device_sink_is_held_until_unregistered(event_camera):
    device = connect(event_camera)
    events = []
    sink = CountingSink(events)
    alive = weakref.ref(sink)
    assert native.KyDevice_RegisterEventSink(device, sink).IsOK()
    del sink
    gc.collect()
    # The registration holds it: calls that reach it find it whole.
    r, data = native.KyDevice_ReadMemory(device, 0x0000, 4)
    assert r.IsOK() and data.shape == (4,)
    assert event_camera.Fire(0x9001, 0, [1, 2, 3, 4]).IsOK()
    assert wait_for(lambda: events == [0x9001])
    assert alive() is not None
    # Unregistered, it goes with the program's last reference.
    assert native.KyDevice_UnregisterEventSink(device, alive()).IsOK()
    gc.collect()
    assert alive() is None
    r, data = native.KyDevice_ReadMemory(device, 0x0000, 4)
    assert r.IsOK()
    native.KyDevice_Free(device)


def test_sinks_unregistered_while_their_events_arrive_go(event_camera):
    device = connect(event_camera)
    refs = []
    for cycle in range(10):
        events = []
        sink = CountingSink(events)
        refs.append(weakref.ref(sink))
        assert native.KyDevice_RegisterEventSink(device, sink).IsOK()
        del sink
        for n in range(5):
            assert event_camera.Fire(0x9200 + n, 0, [cycle, n, 0, 0]).IsOK()
        # Events may still be on their way to the sink (and reach it) as it is unregistered.
        assert native.KyDevice_UnregisterEventSink(device, refs[-1]()).IsOK()
    assert wait_for(lambda: gc.collect() is not None and all(r() is None for r in refs)), \
        "%d of %d sinks outlived their registration" % (sum(r() is not None for r in refs), len(refs))
    native.KyDevice_Free(device)


def test_device_sinks_go_with_their_device(event_camera):
    refs = []
    for cycle in range(12):
        device = connect(event_camera)
        events = []
        sink = CountingSink(events)
        refs.append(weakref.ref(sink))
        assert native.KyDevice_RegisterEventSink(device, sink).IsOK()
        del sink
        assert event_camera.Fire(0x9000 + cycle, 0, [cycle, 0, 0, 0]).IsOK()
        assert wait_for(lambda: events == [0x9000 + cycle])
        # A second event may still be on its way to the sink when the device goes.
        assert event_camera.Fire(0x9100 + cycle, 0, [cycle, 1, 0, 0]).IsOK()
        native.KyDevice_Free(device)
    # Every sink goes with its device (a call of it may still be returning on the device's thread).
    assert wait_for(lambda: gc.collect() is not None and all(r() is None for r in refs)), \
        "%d of %d sinks outlived their device" % (sum(r() is not None for r in refs), len(refs))


@pytest.fixture(scope="module")
def plain_camera():
    cams = SoftCameras(*STREAM_CAMERAS[:STREAM_CAMERAS.index("--adapter", 1)])
    yield cams
    cams.stop()


class QuietSink(ky.KyPipelineEventSink):
    """A pipeline sink whose operations do nothing."""

    def OnBufferReady(self, pipeline):
        pass

    def OnBufferCreated(self, pipeline, buffer):
        pass

    def OnBufferDeleted(self, pipeline, buffer):
        pass

    def OnStart(self, pipeline):
        pass

    def OnStop(self, pipeline):
        pass

    def OnReset(self, pipeline):
        pass


ACQUISITION_START, ACQUISITION_STOP = 0x3FFF101C, 0x3FFF1020


def streaming_pipeline(sink, count):
    """A device streaming to a stream with a started pipeline, `sink` registered on it; acquisition
    not started yet."""
    device = native.KyDevice_CreateAndConnect(PLAIN_IP)[1]
    stream = ky.KyStreamGEV()
    assert native.KyStreamGEV_Open(stream, PLAIN_IP, 0).IsOK()
    ip, port = native.KyStreamGEV_GetLocalIPAddress(stream), native.KyStreamGEV_GetLocalPort(stream)
    assert native.KyDeviceGEV_SetStreamDestination(device, ip, port).IsOK()
    pipeline = ky.KyPipeline(stream)
    assert native.KyPipeline_RegisterEventSink(pipeline, sink).IsOK()
    assert native.KyPipeline_SetBufferCount(pipeline, count).IsOK()
    assert native.KyPipeline_Start(pipeline).IsOK()
    return device, stream, pipeline


class StoppingSink(QuietSink):
    """Stops and resets its own pipeline from OnBufferReady, once, and keeps what it was told."""

    def __init__(self):
        super().__init__()
        self.told = None
        self.raised = None
        self.told_event = threading.Event()

    def OnBufferReady(self, pipeline):
        if self.told_event.is_set():
            return
        try:
            self.told = (native.KyPipeline_Stop(pipeline), native.KyPipeline_Reset(pipeline))
        except BaseException as error:  # noqa: B036  (what reached Python instead)
            self.raised = error
        self.told_event.set()


def test_a_pipeline_stopped_from_its_own_sink_refuses_and_restarts(plain_camera):
    sink = StoppingSink()
    device, stream, pipeline = streaming_pipeline(sink, 8)
    assert native.KyDeviceGEV_WriteRegister(device, ACQUISITION_START, 1).IsOK()
    try:
        assert sink.told_event.wait(20)
        assert sink.raised is None, repr(sink.raised)
        stop, reset = sink.told
        assert isinstance(stop, ky.KyResult) and stop.GetCode() == ky.KY_STATE_ERROR
        assert isinstance(reset, ky.KyResult) and reset.GetCode() == ky.KY_STATE_ERROR
        assert native.KyPipeline_IsStarted(pipeline) is True
        # The application's thread stops it, starts it again, and frames come.
        assert native.KyPipeline_Stop(pipeline).IsOK()
        assert native.KyPipeline_Start(pipeline).IsOK()
        for _ in range(3):
            r, buffer, operation = native.KyPipeline_RetrieveNextBuffer(pipeline, 10000)
            assert r.IsOK() and buffer is not None
            assert native.KyPipeline_ReleaseBuffer(pipeline, buffer).IsOK()
    finally:
        assert native.KyDeviceGEV_WriteRegister(device, ACQUISITION_STOP, 1).IsOK()
        assert native.KyPipeline_Stop(pipeline).IsOK()
    # The sink goes with its pipeline.
    alive = weakref.ref(sink)
    del sink
    del pipeline
    assert wait_for(lambda: gc.collect() is not None and alive() is None), "the sink outlived its pipeline"
    assert native.KyStream_Close(stream).IsOK()
    native.KyDevice_Free(device)


class SelfDroppingSink(QuietSink):
    """Holds the program's only reference to its pipeline and drops it from OnBufferReady: the
    pipeline is deleted on its own thread."""

    def __init__(self):
        super().__init__()
        self.pipeline = None
        self.dropped = threading.Event()
        self.calls_after = 0

    def OnBufferReady(self, pipeline):
        if self.dropped.is_set():
            self.calls_after += 1
            return
        self.pipeline = None
        self.dropped.set()

    def OnBufferDeleted(self, pipeline, buffer):
        if self.dropped.is_set():
            self.calls_after += 1


def test_a_pipeline_deleted_from_its_own_sink_goes_quietly(plain_camera):
    sink = SelfDroppingSink()
    device, stream, sink.pipeline = streaming_pipeline(sink, 4)
    alive = weakref.ref(sink)
    assert native.KyDeviceGEV_WriteRegister(device, ACQUISITION_START, 1).IsOK()
    try:
        assert sink.dropped.wait(20)
        # The stream is free again at once: every buffer came back with the deletion.
        assert native.KyStream_Close(stream).IsOK()
        assert native.KyStreamGEV_Open(stream, PLAIN_IP, 0).IsOK()
        assert sink.calls_after == 0
    finally:
        assert native.KyDeviceGEV_WriteRegister(device, ACQUISITION_STOP, 1).IsOK()
    del sink
    assert wait_for(lambda: gc.collect() is not None and alive() is None), "the sink outlived its pipeline"
    assert native.KyStream_Close(stream).IsOK()
    native.KyDevice_Free(device)


def test_a_source_dropped_before_start_streams_and_goes_with_its_device():
    refs = []
    for cycle in range(8):
        device = ky.KySoftDeviceGEV()
        source = DrawingSource(64, 48)
        refs.append(weakref.ref(source))
        assert native.KySoftDeviceGEV_AddStream(device, source).IsOK()
        rec = source.rec
        del source
        gc.collect()
        assert refs[-1]() is not None  # held by the device
        result = native.KySoftDeviceGEV_Start(device, LOOPBACK_MAC)
        assert result.IsOK(), str(result.GetDescription())
        assert "CreateGenApiFeatures" in rec.names()
        assert native.KySoftDeviceGEV_Stop(device).IsOK()
        del device
        assert wait_for(lambda: gc.collect() is not None and refs[-1]() is None), \
            "cycle %d: the source outlived its device" % cycle


def test_started_sources_are_not_left_behind():
    gc.collect()
    before = sum(isinstance(o, DrawingSource) for o in gc.get_objects())
    for _ in range(10):
        device = start_device(DrawingSource(64, 48), LOOPBACK_MAC)
        assert native.KySoftDeviceGEV_Stop(device).IsOK()
        del device
    assert wait_for(lambda: gc.collect() is not None
                    and sum(isinstance(o, DrawingSource) for o in gc.get_objects()) == before)


class FirstRaises(ky.KyPipelineEventSink):
    """Raises (or answers a wrong type) on the first call of `name`; counts every call that ran
    to its end, after a call into the module, as an override does."""

    def __init__(self, name, answer):
        super().__init__()
        self.name, self.answer = name, answer
        self.completed = []

    def _call(self, name, pipeline):
        if name == self.name and not any(c == name for c in self.completed) and not hasattr(self, "faulted"):
            self.faulted = True
            return self.answer()
        native.KyPipeline_IsStarted(pipeline)
        self.completed.append(name)

    def OnBufferCreated(self, pipeline, buffer): return self._call("OnBufferCreated", pipeline)
    def OnBufferDeleted(self, pipeline, buffer): return self._call("OnBufferDeleted", pipeline)
    def OnStart(self, pipeline): return self._call("OnStart", pipeline)
    def OnStop(self, pipeline): return self._call("OnStop", pipeline)
    def OnReset(self, pipeline): return self._call("OnReset", pipeline)
    def OnBufferReady(self, pipeline): pass


def raise_value_error():
    raise ValueError("a fault of the test")


@pytest.mark.parametrize("name,count", [("OnBufferCreated", 4), ("OnStart", 1)])
def test_after_an_override_raised_the_next_ones_on_that_thread_run_in_full(plain_camera, capfd, name, count):
    stream = ky.KyStreamGEV()
    assert native.KyStreamGEV_Open(stream, PLAIN_IP, 0).IsOK()
    pipeline = ky.KyPipeline(stream)
    first, second = FirstRaises(name, raise_value_error), FirstRaises(None, None)
    assert native.KyPipeline_RegisterEventSink(pipeline, first).IsOK()
    assert native.KyPipeline_RegisterEventSink(pipeline, second).IsOK()
    assert native.KyPipeline_SetBufferCount(pipeline, 4).IsOK()
    # Inside the program's own call the first error is raised from it once it returns...
    with pytest.raises(RuntimeError) as raised:
        native.KyPipeline_Start(pipeline)
    line = "In method '%s': ValueError: a fault of the test" % name
    assert str(raised.value) == "SWIG director method error. " + line
    assert capfd.readouterr().out == line + "\n"  # reported once
    # ... and every override after it, on this same thread, ran to its end.
    assert second.completed.count(name) == count
    assert first.completed.count(name) == count - 1
    assert second.completed.count("OnStart") == 1
    assert native.KyPipeline_Stop(pipeline).IsOK()
    assert first.completed.count("OnStop") == second.completed.count("OnStop") == 1
    del pipeline
    assert first.completed.count("OnBufferDeleted") == second.completed.count("OnBufferDeleted") == 4
    assert native.KyStream_Close(stream).IsOK()
