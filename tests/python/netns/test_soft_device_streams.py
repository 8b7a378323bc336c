"""Streaming channel sources written in Python, on adapter kyc2 (10.10.2.2) of the private
namespace: a source that draws its own images with numpy (one derived from the default source,
one written from the interface) is added to a software device; a controller (aravis's arv-tool)
opens, starts and leaves its channel, and changes its size through the source's setters."""
import collections
import subprocess
import threading
import time

import _tavro_python as native
import numpy
import pytest
import tavro_python as ky

MAC = "02:00:0a:0a:02:02"
IP = "10.10.2.2"


def drawing(width, height, frame):
    """The image of frame `frame`: a gradient that moves by frame."""
    y, x = numpy.mgrid[0:height, 0:width]
    return ((x * 7 + y * 3 + frame * 11) % 251).astype(numpy.uint8)


class Recorder:
    def __init__(self):
        self.hooks = []
        self.lock = threading.Lock()

    def record(self, name):
        with self.lock:
            self.hooks.append((name, threading.current_thread() is threading.main_thread()))


class DrawingDefaultSource(ky.KyStreamingChannelSourceDefault):
    """The default source keeps the format and the buffers; this one draws the frames."""

    def __init__(self, width, height):
        super().__init__(width, height, ky.KyPixelMono8, 4)
        self.queue = collections.deque()
        self.frame = 0
        self.rec = Recorder()

    def QueueBuffer(self, buffer):
        self.queue.append(buffer)
        return ky.KY_OK

    def RetrieveBuffer(self, notused):
        time.sleep(0.02)  # about 50 frames a second: the receiver keeps up
        if not self.queue:
            return (ky.KY_TIMEOUT, None)
        buffer = self.queue.popleft()
        image = native.KyBuffer_GetImage(buffer)
        width, height = self.GetWidth(), self.GetHeight()
        if native.IKyImage_GetWidth(image) != width or native.IKyImage_GetHeight(image) != height:
            assert native.KyImage_Alloc(image, width, height, ky.KyPixelMono8, 0, 0) == ky.KY_OK
        native.IKyImage_GetDataPointer(image)[:, :] = drawing(width, height, self.frame)
        native.KyBuffer_SetBlockID(buffer, self.frame + 1)
        self.frame += 1
        return (ky.KY_OK, buffer)

    def OnOpen(self, ip, port):
        self.rec.record("OnOpen")
        ky.KyStreamingChannelSourceDefault.OnOpen(self, ip, port)

    def OnStreamingStart(self):
        self.rec.record("OnStreamingStart")
        ky.KyStreamingChannelSourceDefault.OnStreamingStart(self)

    def OnStreamingStop(self):
        self.rec.record("OnStreamingStop")
        ky.KyStreamingChannelSourceDefault.OnStreamingStop(self)

    def OnClose(self):
        self.rec.record("OnClose")
        ky.KyStreamingChannelSourceDefault.OnClose(self)


class DrawingSource(ky.IKyStreamingChannelSource):
    """Every operation in Python: its own size, pixel types, chunks and buffers."""

    def __init__(self, width, height):
        super().__init__()
        self.width, self.height, self.pixel = width, height, ky.KyPixelMono8
        self.buffers, self.queue = [], collections.deque()
        self.frame = 0
        self.set_calls = []
        self.rec = Recorder()

    def GetWidth(self): return self.width
    def GetHeight(self): return self.height
    def GetOffsetX(self): return 0
    def GetOffsetY(self): return 0
    def GetPixelType(self): return self.pixel
    def GetWidthInfo(self): return (8, 1024, 8)
    def GetHeightInfo(self): return (8, 1024, 1)
    def GetChunksSize(self): return 0
    def GetPayloadSize(self): return 0
    def GetScanType(self): return ky.KyScanTypeArea
    def GetChunkModeActive(self): return False
    def GetChunkEnable(self, chunk_id): return False

    def GetSupportedPixelType(self, index):
        return (ky.KY_OK, ky.KyPixelMono8) if index == 0 else (ky.KY_INVALID_PARAMETER, 0)

    def GetSupportedChunk(self, index):
        return (ky.KY_INVALID_PARAMETER, 0, "")

    def SetWidth(self, width):
        self.set_calls.append(("Width", width))
        self.width = width
        return ky.KY_OK

    def SetHeight(self, height):
        self.set_calls.append(("Height", height))
        self.height = height
        return ky.KY_OK

    def SetOffsetX(self, value): return ky.KY_OK if value == 0 else ky.KY_GENERIC_ERROR
    def SetOffsetY(self, value): return ky.KY_OK if value == 0 else ky.KY_GENERIC_ERROR

    def SetPixelType(self, pixel):
        return ky.KY_OK if pixel == ky.KyPixelMono8 else ky.KY_GENERIC_ERROR

    def SetChunkModeActive(self, enabled): return ky.KY_OK if not enabled else ky.KY_GENERIC_ERROR
    def SetChunkEnable(self, chunk_id, enabled): return ky.KY_GENERIC_ERROR

    def OnOpen(self, ip, port): self.rec.record("OnOpen")
    def OnClose(self): self.rec.record("OnClose")
    def OnStreamingStart(self): self.rec.record("OnStreamingStart")
    def OnStreamingStop(self): self.rec.record("OnStreamingStop")

    def AllocBuffer(self):
        if len(self.buffers) >= 3:
            return None
        buffer = ky.KyBuffer()
        self.buffers.append(buffer)
        return buffer

    def FreeBuffer(self, buffer):
        self.buffers.remove(buffer)  # found by equality: the object handed here is a new one

    def QueueBuffer(self, buffer):
        self.queue.append(buffer)
        return ky.KY_OK

    def RetrieveBuffer(self, notused):
        time.sleep(0.02)  # about 50 frames a second: the receiver keeps up
        if not self.queue:
            return (ky.KY_TIMEOUT, None)
        buffer = self.queue.popleft()
        image = native.KyBuffer_GetImage(buffer)
        assert native.KyImage_Alloc(image, self.width, self.height, ky.KyPixelMono8, 0, 0) == ky.KY_OK
        native.IKyImage_GetDataPointer(image)[:, :] = drawing(self.width, self.height, self.frame)
        self.frame += 1
        return (ky.KY_OK, buffer)

    def AbortQueuedBuffers(self):
        pass


def start_device(source):
    device = ky.KySoftDeviceGEV()
    assert native.KySoftDeviceGEV_AddStream(device, source).GetCode() == ky.KY_OK
    result = native.KySoftDeviceGEV_Start(device, MAC)
    assert result.GetCode() == ky.KY_OK, str(result.GetDescription())
    return device


def arv_tool(*args):
    return subprocess.run(["arv-tool-0.8", "-a", IP, *args], capture_output=True, text=True, timeout=30).stdout


def stream_briefly():
    """A controller opens the stream channel, starts and leaves: the channel opens, streams, stops
    and closes when control ends."""
    arv_tool("control", "GevSCDA=%d" % 0x0A0A0201, "GevSCPHostPort=50000", "AcquisitionStart")


@pytest.mark.parametrize("make", [lambda: DrawingDefaultSource(320, 240), lambda: DrawingSource(64, 48)],
                         ids=["default-subclass", "interface"])
def test_hooks_come_in_order_from_the_devices_threads(make):
    source = make()
    device = start_device(source)
    try:
        stream_briefly()
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and "OnClose" not in [n for n, _ in source.rec.hooks]:
            time.sleep(0.05)
    finally:
        assert native.KySoftDeviceGEV_Stop(device).GetCode() == ky.KY_OK
    names = [name for name, _ in source.rec.hooks]
    assert names == ["OnOpen", "OnStreamingStart", "OnStreamingStop", "OnClose"], names
    assert not any(main for _, main in source.rec.hooks), source.rec.hooks


def test_interface_source_setters_follow_the_controller():
    source = DrawingSource(64, 48)
    device = start_device(source)
    try:
        out = arv_tool("control", "Width=128", "Height=32", "Width", "Height")
        assert "Width = 128" in out and "Height = 32" in out, out
        refused = arv_tool("control", "OffsetX=8", "OffsetX")
        assert "OffsetX = 0" in refused, refused
    finally:
        assert native.KySoftDeviceGEV_Stop(device).GetCode() == ky.KY_OK
    assert ("Width", 128) in source.set_calls and ("Height", 32) in source.set_calls
    assert (source.width, source.height) == (128, 32)
    # Stop handed back every buffer that AllocBuffer gave, through FreeBuffer.
    assert source.buffers == []
