"""One case of the fault table of Python streaming channel sources, run in a child interpreter by
test_soft_device_source_faults.py (inside its private namespace): a source answers wrongly (or
raises) a few times, the child checks what it was told, then shows that the device still streams
(FRAMES frames, pixel-exact, through KyStreamGEV) or, where the fault leaves nothing to stream,
that it stops cleanly. It prints one "outcome: ..." line and exits 0 when everything held.

Usage: source_fault_child.py CASE"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import _tavro_python as native  # noqa: E402
import tavro_python as ky  # noqa: E402
from source_helpers import DrawingDefaultSource, DrawingSource, check_frame, start_device  # noqa: E402

LOOPBACK_MAC, LOOPBACK_IP = "00:00:00:00:00:00", "127.0.0.1"
FRAMES = 3
WAIT_MS = 10000
FAULTS = 3  # wrong answers before the source behaves


class Faults:
    """Counts down the wrong answers of one operation."""

    def __init__(self, count=FAULTS):
        self.left = count
        self.given = False

    def now(self):
        if self.left > 0:
            self.left -= 1
            self.given = True
            return True
        return False


def faulty(base, name, answer, count=FAULTS):
    """A subclass of `base` whose `name` gives answer(self, *args) (a value or a raise) for its
    first `count` calls, then the base behaviour. Each base call after a fault that returns is
    counted in `after`: the override ran in full, its fault gone from the thread."""
    def method(self, *args):
        if self.faults.now():
            return answer(self, *args)
        result = getattr(base, name)(self, *args)
        if self.faults.given:
            self.after += 1
        return result

    def init(self, *args):
        base.__init__(self, *args)
        self.faults = Faults(count)
        self.after = 0
    return type("Faulty" + name, (base,), {name: method, "__init__": init})


def raise_value_error(self, *args):
    raise ValueError("a fault of the test")


def raise_runtime_error(self, *args):
    raise RuntimeError("a fault of the test")


def always(value):
    return lambda self, *args: value


# case: (source class, constructor arguments, what the device does with it: "streams", "no-buffers"
# (it streams nothing and stops cleanly) or "start-fails")
CASES = {
    "pixel-none": (faulty(DrawingSource, "GetSupportedPixelType", always(None), 1 << 30), "start-fails"),
    "pixel-short": (faulty(DrawingSource, "GetSupportedPixelType", always((0,)), 1 << 30), "start-fails"),
    "pixel-endless": (faulty(DrawingSource, "GetSupportedPixelType", always((0, ky.KyPixelMono8)), 1 << 30),
                      "streams"),
    "alloc-int": (faulty(DrawingSource, "AllocBuffer", always(5), 1 << 30), "no-buffers"),
    "queue-none": (faulty(DrawingSource, "QueueBuffer", always(None)), "streams"),
    "prequeue-int": (faulty(DrawingDefaultSource, "PreQueueBufferProc", always(1)), "streams"),
    "retrieve-none": (faulty(DrawingDefaultSource, "RetrieveBuffer", always(None)), "streams"),
    "retrieve-empty": (faulty(DrawingDefaultSource, "RetrieveBuffer", always(())), "streams"),
    "retrieve-list": (faulty(DrawingDefaultSource, "RetrieveBuffer", always([0, None])), "streams"),
    "retrieve-raises": (faulty(DrawingDefaultSource, "RetrieveBuffer", raise_value_error), "streams"),
    "start-hook-raises": (faulty(DrawingDefaultSource, "OnStreamingStart", raise_runtime_error, 1), "streams"),
    "set-none": (faulty(DrawingSource, "SetWidth", always(None)), "streams"),
    "chunk-short": (faulty(DrawingSource, "GetSupportedChunk", always((0, 5))), "streams"),
    "retrieve-null-out": (DrawingDefaultSource, "streams"),
}

# The cases whose faulty operation the device calls again after the faults.
RUNS_AGAIN = {"queue-none", "prequeue-int", "retrieve-none", "retrieve-empty", "retrieve-list", "retrieve-raises",
              "set-none"}


def flat_calls(case, source):
    """What the program itself is told when it calls the source through the flat functions."""
    if case == "chunk-short":
        try:
            native.IKyStreamingChannelSource_GetSupportedChunk(source.this, 0)
        except IndexError as error:
            print("raised:", type(error).__name__, error)
    elif case == "retrieve-null-out":
        try:
            native.IKyStreamingChannelSource_RetrieveBuffer(source, None)
        except TypeError as error:
            print("raised:", type(error).__name__, error)


def controller_writes(case, params):
    if case == "set-none":
        for _ in range(FAULTS):
            refused = native.KyGenParameterArray_SetIntegerValue(params, "Width", 96)
            print("Width write:", "refused" if not refused.IsOK() else "accepted")
        assert native.KyGenParameterArray_SetIntegerValue(params, "Width", 96).IsOK()


def stream_frames(source, params, device):
    """FRAMES frames through KyStreamGEV and a pipeline, each checked; the count received."""
    width, height, pixel = source.GetWidth(), source.GetHeight(), source.GetPixelType()
    r, stream = native.KyStream_CreateAndOpen(LOOPBACK_IP)
    assert r.IsOK(), str(r.GetDescription())
    ip, port = native.KyStreamGEV_GetLocalIPAddress(stream), native.KyStreamGEV_GetLocalPort(stream)
    assert native.KyDeviceGEV_SetStreamDestination(device, ip, port).IsOK()
    pipeline = ky.KyPipeline(stream)
    native.KyPipeline_SetBufferSize(pipeline, native.KyDevice_GetPayloadSize(device))
    assert native.KyPipeline_SetBufferCount(pipeline, 8).IsOK()
    assert native.KyPipeline_Start(pipeline).IsOK()
    assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStart").IsOK()
    received = 0
    try:
        for _ in range(FRAMES):
            r, buffer, operation = native.KyPipeline_RetrieveNextBuffer(pipeline, WAIT_MS if received else 3000)
            if not r.IsOK():
                break
            assert operation.IsOK(), str(operation.GetDescription())
            check_frame(buffer.GetImage().GetDataPointer(), width, height, pixel)
            received += 1
            assert native.KyPipeline_ReleaseBuffer(pipeline, buffer).IsOK()
    finally:
        assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStop").IsOK()
        assert native.KyPipeline_Stop(pipeline).IsOK()
        native.KyStream_Close(stream)
    return received


def main(case):
    make, expected = CASES[case]
    source = make(160, 90)
    device = ky.KySoftDeviceGEV()
    assert native.KySoftDeviceGEV_AddStream(device, source).IsOK()
    started = native.KySoftDeviceGEV_Start(device, LOOPBACK_MAC)
    if expected == "start-fails":
        assert not started.IsOK()
        print("Start:", started.GetDescription())
        # Nothing runs: Stop says so, and the device goes with its object.
        assert native.KySoftDeviceGEV_Stop(device).GetCode() == ky.KY_STATE_ERROR
        print("outcome: start refused")
        return 0
    assert started.IsOK(), str(started.GetDescription())
    flat_calls(case, source)
    r, controller = native.KyDevice_CreateAndConnect(LOOPBACK_IP)
    assert r.IsOK(), str(r.GetDescription())
    params = native.KyDevice_GetParameters(controller)
    controller_writes(case, params)
    received = stream_frames(source, params, controller)
    native.KyDevice_Free(controller)
    assert native.KySoftDeviceGEV_Stop(device).IsOK()
    if isinstance(source, DrawingSource):
        # Stop handed back every buffer the source gave.
        assert source.buffers == [], source.buffers
    if case in RUNS_AGAIN:
        # The operation that answered wrongly was called again and ran to its end.
        assert getattr(source, "after", 0) > 0, case
    if expected == "streams":
        assert received == FRAMES, "%d frames of %d" % (received, FRAMES)
        print("outcome: streams")
    else:
        assert received == 0, received
        print("outcome: stopped cleanly without buffers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
