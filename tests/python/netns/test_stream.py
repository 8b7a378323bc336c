"""Streams, the GigE Vision stream and the pipeline against soft cameras and aravis's fake camera:
frames on the user's road, abort, loss and resends, a Python pipeline sink, multicast, and the
interpreter lock released while calls block."""
import threading
import time

import numpy
import pytest

import _tavro_python as native
import tavro_python as ky
from netns_helpers import SoftCameras, wait_for
from stream_helpers import (HEIGHT, LOSSY_IP, PLAIN_IP, STREAM_CAMERAS, WIDTH, connect, drain, new_buffers,
                            pattern, start, stop)

FRAMES = 20
WAIT_MS = 10000  # bound of every wait; only a hang reaches it


@pytest.fixture(scope="module")
def stream_cameras():
    cams = SoftCameras(*STREAM_CAMERAS)
    yield cams
    cams.stop()


@pytest.fixture
def plain(stream_cameras):
    device = connect(PLAIN_IP)
    yield device
    stop(device)
    native.KyDeviceGEV_ResetStreamDestination(device)
    native.KyDevice_Free(device)


@pytest.fixture
def lossy(stream_cameras):
    device = connect(LOSSY_IP)
    yield device
    stop(device)
    native.KyDeviceGEV_ResetStreamDestination(device)
    native.KyDevice_Free(device)


def image_of(buffer):
    image = buffer.GetImage()
    assert image is not None
    return image.GetDataPointer()


def test_one_frame_road_softcam(plain):
    result = native.KyStream_CreateAndOpen(PLAIN_IP)
    assert type(result) is tuple and len(result) == 2
    r, stream = result
    assert r.IsOK(), str(r.GetDescription())
    assert type(stream) is ky.KyStreamGEV and not stream.thisown
    assert native.KyStream_IsOpen(stream) is True
    assert native.KyStream_GetType(stream) == ky.KyStreamTypeGEV
    assert native.KyStreamGEV_GetDeviceIPAddress(stream) == PLAIN_IP
    # Enough buffers that no block finds none queued, also in the slower sanitizer build.
    buffers = new_buffers(16)
    for b in buffers:
        assert native.KyStream_QueueBuffer(stream, b).GetCode() == ky.KY_PENDING
    assert native.KyStream_GetQueuedBufferCount(stream) == 16
    start(plain, stream)
    ids = []
    for _ in range(FRAMES):
        got = native.KyStream_RetrieveBuffer(stream, WAIT_MS)
        assert type(got) is list and len(got) == 3
        r, buffer, operation = got
        assert r.IsOK() and operation.IsOK(), str(operation.GetDescription())
        assert buffer in buffers and all(buffer is not b for b in buffers) and not buffer.thisown
        pixels = image_of(buffer)
        assert pixels.shape == (HEIGHT, WIDTH) and pixels.dtype == numpy.uint8
        # Block ids count from 1 when the channel opens, frames from 0.
        assert numpy.array_equal(pixels, pattern(buffer.GetBlockID() - 1)), buffer.GetBlockID()
        ids.append(buffer.GetBlockID())
        assert native.KyStream_QueueBuffer(stream, buffer).GetCode() == ky.KY_PENDING
    assert ids == list(range(ids[0], ids[0] + FRAMES))
    stop(plain)
    # Every buffer comes back: those whose block ended before the abort whole, the others aborted
    # (test_abort_returns_every_queued_buffer_aborted shows the abort alone).
    codes = drain(stream)
    assert len(codes) == 16 and set(codes) <= {ky.KY_ABORTED, ky.KY_OK}
    assert native.KyStream_Close(stream).IsOK()
    assert native.KyStream_Free(stream) is None


def test_abort_returns_every_queued_buffer_aborted(plain):
    r, stream = native.KyStream_CreateAndOpen(PLAIN_IP)
    assert r.IsOK()
    buffers = new_buffers(5)
    for b in buffers:
        assert native.KyStream_QueueBuffer(stream, b).GetCode() == ky.KY_PENDING
    assert drain(stream) == [ky.KY_ABORTED] * 5
    r, buffer, operation = native.KyStream_RetrieveBuffer(stream, 0)
    assert r.GetCode() == ky.KY_NO_MORE_ITEM and buffer is None
    native.KyStream_Free(stream)


def test_abort_from_another_thread_wakes_a_blocked_retrieve(plain):
    stream = ky.KyStreamGEV()
    assert native.KyStreamGEV_Open(stream, PLAIN_IP, 0).IsOK()
    buffers = new_buffers(1)
    assert native.KyStream_QueueBuffer(stream, buffers[0]).GetCode() == ky.KY_PENDING
    got = []
    waiter = threading.Thread(target=lambda: got.append(native.KyStream_RetrieveBuffer(stream)))
    waiter.start()
    # The retrieve waits without the interpreter lock: this thread goes on meanwhile.
    assert wait_for(lambda: native.KyStream_GetQueuedBufferCount(stream) == 1)
    time.sleep(0.2)
    assert waiter.is_alive()
    assert native.KyStream_AbortQueuedBuffers(stream).IsOK()
    waiter.join(WAIT_MS / 1000)  # only a hang reaches the bound
    assert not waiter.is_alive(), "the abort did not wake the retrieve"
    r, buffer, operation = got[0]
    assert r.IsOK() and buffer == buffers[0] and operation.GetCode() == ky.KY_ABORTED
    assert native.KyStream_Close(stream).IsOK()


def test_loss_frames_complete_through_resends(lossy):
    r, stream = native.KyStream_CreateAndOpen(LOSSY_IP)
    assert r.IsOK()
    buffers = new_buffers(16)
    for b in buffers:
        assert native.KyStream_QueueBuffer(stream, b).GetCode() == ky.KY_PENDING
    start(lossy, stream)
    complete = recovered = 0
    for _ in range(FRAMES):
        r, buffer, operation = native.KyStream_RetrieveBuffer(stream, WAIT_MS)
        assert r.IsOK() and buffer is not None
        r, ranges = buffer.GetMissingPacketIdsCount()
        assert r.IsOK()
        missing = 0
        for k in range(ranges):
            r, first, last = buffer.GetMissingPacketIds(k)
            assert r.IsOK() and first <= last
            missing += last - first + 1
        # Each frame's missing ranges tell exactly the packets it lost.
        assert missing == buffer.GetLostPacketCount()
        if operation.IsOK():
            complete += 1
            assert missing == 0
            assert numpy.array_equal(image_of(buffer), pattern(buffer.GetBlockID() - 1))
        else:
            assert operation.GetCode() == ky.KY_MISSING_PACKETS and missing > 0
        recovered += buffer.GetPacketsRecoveredCount()
        assert native.KyStream_QueueBuffer(stream, buffer).GetCode() == ky.KY_PENDING
    stop(lossy)
    drain(stream)
    native.KyStream_Free(stream)
    assert complete == FRAMES
    assert recovered > 0, "5 % of the packets of 20 frames went missing and came back"


class RecordingSink(ky.KyPipelineEventSink):
    def __init__(self):
        super().__init__()
        self.events = []
        self.lock = threading.Lock()
        self.raised = False

    def record(self, name, pipeline, buffer=None):
        assert isinstance(pipeline, ky.KyPipeline) and not pipeline.thisown
        with self.lock:
            self.events.append((name, threading.get_ident(), buffer))

    def OnBufferCreated(self, pipeline, buffer):
        self.record("created", pipeline, buffer)

    def OnBufferDeleted(self, pipeline, buffer):
        self.record("deleted", pipeline, buffer)

    def OnStart(self, pipeline):
        self.record("start", pipeline)

    def OnStop(self, pipeline):
        self.record("stop", pipeline)

    def OnReset(self, pipeline):
        self.record("reset", pipeline)

    def OnBufferTooSmall(self, pipeline, realloc_all, reset_stats):
        self.record("too_small", pipeline)
        native.KyPipelineEventSink_OnBufferTooSmall(self, pipeline, realloc_all, reset_stats)

    def OnBufferReady(self, pipeline):
        self.record("ready", pipeline)
        if not self.raised:
            self.raised = True
            raise ValueError("the first buffer is not wanted")

    def named(self, name):
        with self.lock:
            return [e for e in self.events if e[0] == name]


def test_pipeline_with_a_python_sink(plain, capfd):
    r, stream = native.KyStream_CreateAndOpen(PLAIN_IP)
    assert r.IsOK()
    pipeline = ky.KyPipeline(stream)
    sink = RecordingSink()
    assert native.KyPipeline_RegisterEventSink(pipeline, sink).IsOK()
    native.KyPipeline_SetBufferSize(pipeline, WIDTH * HEIGHT)
    assert native.KyPipeline_SetBufferCount(pipeline, 8).IsOK()
    main = threading.get_ident()
    assert native.KyPipeline_Start(pipeline).IsOK()
    # The buffers are made as the pipeline starts, on the starting thread.
    created = sink.named("created")
    assert len(created) == 8 and all(e[1] == main for e in created)
    assert native.KyPipeline_IsStarted(pipeline) is True
    start(plain, stream)
    ids = []
    for _ in range(50):
        got = native.KyPipeline_RetrieveNextBuffer(pipeline, WAIT_MS)
        assert type(got) is tuple and len(got) == 3
        r, buffer, operation = got
        assert r.IsOK() and operation.IsOK()
        # The lent buffer is one the sink heard of, a different Python object.
        assert any(buffer == e[2] and buffer is not e[2] for e in created)
        assert numpy.array_equal(image_of(buffer), pattern(buffer.GetBlockID() - 1))
        ids.append(buffer.GetBlockID())
        assert native.KyPipeline_ReleaseBuffer(pipeline, buffer).IsOK()
    assert ids == sorted(set(ids))
    stop(plain)
    assert native.KyPipeline_Stop(pipeline).IsOK()
    assert [e[1] for e in sink.named("start")] == [main]
    assert [e[1] for e in sink.named("stop")] == [main]
    ready = sink.named("ready")
    assert len(ready) >= 50 and all(e[1] != main for e in ready), "OnBufferReady runs on the pipeline's thread"
    # The raising override was printed, and the pipeline went on.
    assert "In method 'OnBufferReady': ValueError: the first buffer is not wanted\n" in capfd.readouterr().out
    del pipeline  # owned: the native pipeline goes, and deletes its buffers
    deleted = sink.named("deleted")
    assert len(deleted) == 8 and sorted(int(e[2].this) for e in deleted) == sorted(int(e[2].this) for e in created)
    native.KyStream_Free(stream)


GROUP, GROUP_PORT = "239.255.42.9", 20210


def test_multicast_two_receivers_get_the_same_blocks(plain):
    receivers = [ky.KyStreamGEV(), ky.KyStreamGEV()]
    buffers = []
    for stream in receivers:
        r = native.KyStreamGEV_Open(stream, PLAIN_IP, GROUP, GROUP_PORT)
        assert r.IsOK(), str(r.GetDescription())
        assert native.KyStreamGEV_GetMulticastIPAddress(stream) == GROUP
        assert native.KyStreamGEV_GetLocalPort(stream) == GROUP_PORT
        own = new_buffers(16)
        buffers.append(own)
        for b in own:
            assert native.KyStream_QueueBuffer(stream, b).GetCode() == ky.KY_PENDING
    assert native.KyDeviceGEV_SetStreamDestination(plain, GROUP, GROUP_PORT).IsOK()
    assert native.KyDeviceGEV_WriteRegister(plain, 0x3FFF101C, 1).IsOK()
    seen = []
    for stream in receivers:
        ids = []
        for _ in range(10):
            r, buffer, operation = native.KyStream_RetrieveBuffer(stream, WAIT_MS)
            assert r.IsOK() and operation.IsOK()
            assert numpy.array_equal(image_of(buffer), pattern(buffer.GetBlockID() - 1))
            ids.append(buffer.GetBlockID())
        seen.append(ids)
    stop(plain)
    assert seen[0] == seen[1]
    assert seen[0] == list(range(seen[0][0], seen[0][0] + 10))
    for stream in receivers:
        drain(stream)
        assert native.KyStream_Close(stream).IsOK()


class FailingStartSink(ky.KyPipelineEventSink):
    def OnStart(self, pipeline):
        # A borrowed pipeline proxy: deleting it deletes nothing.
        native.delete_KyPipeline(pipeline)
        raise ValueError("x")

    def OnStop(self, pipeline):
        native.KyPipelineEventSink_OnStop(self, pipeline)

    def OnBufferCreated(self, pipeline, buffer):
        pass

    def OnBufferDeleted(self, pipeline, buffer):
        pass


def test_a_raising_on_start_is_raised_from_start(stream_cameras, capfd):
    stream = ky.KyStreamGEV()
    assert native.KyStreamGEV_Open(stream, PLAIN_IP, 0).IsOK()
    pipeline = ky.KyPipeline(stream)
    sink = FailingStartSink()
    assert native.KyPipeline_RegisterEventSink(pipeline, sink).IsOK()
    assert native.KyPipeline_SetBufferCount(pipeline, 4).IsOK()
    with pytest.raises(RuntimeError) as raised:
        native.KyPipeline_Start(pipeline)
    assert str(raised.value) == "SWIG director method error. In method 'OnStart': ValueError: x"
    assert capfd.readouterr().out == "In method 'OnStart': ValueError: x\n"
    # The pipeline went on: it runs, and stops as usual.
    assert native.KyPipeline_IsStarted(pipeline) is True
    r, buffer, operation = native.KyPipeline_RetrieveNextBuffer(pipeline, 0)
    assert r.GetCode() == ky.KY_TIMEOUT and buffer is None
    assert native.KyPipeline_Stop(pipeline).IsOK()
    assert native.KyPipeline_UnregisterEventSink(pipeline, sink).IsOK()
    del pipeline
    assert native.KyStream_Close(stream).IsOK()


def test_pipeline_stop_wakes_a_retrieve_waiting_for_ever(stream_cameras):
    stream = ky.KyStreamGEV()
    assert native.KyStreamGEV_Open(stream, PLAIN_IP, 0).IsOK()
    pipeline = ky.KyPipeline(stream)
    assert native.KyPipeline_SetBufferCount(pipeline, 4).IsOK()
    assert native.KyPipeline_Start(pipeline).IsOK()
    got = []
    waiter = threading.Thread(target=lambda: got.append(native.KyPipeline_RetrieveNextBuffer(pipeline, 0xFFFFFFFF)))
    waiter.start()
    time.sleep(0.2)
    # The wait holds no interpreter lock: this thread runs, and its Stop ends the wait.
    assert waiter.is_alive()
    assert native.KyPipeline_Stop(pipeline).IsOK()
    waiter.join(WAIT_MS / 1000)
    assert not waiter.is_alive()
    r, buffer, operation = got[0]
    assert r.GetCode() == ky.KY_STATE_ERROR and buffer is None
    del pipeline
    assert native.KyStream_Close(stream).IsOK()
