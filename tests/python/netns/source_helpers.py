"""Streaming channel sources written in Python for the soft-device tests: each draws images of its
own with numpy (its own size and pixel types), so that a receiver can check every pixel, and
records the hooks and setters the device calls with the thread each came on."""
import collections
import threading
import time

import numpy

import _tavro_python as native
import tavro_python as ky

# The drawing's 8-bit value of pixel (x, y) of frame n: (7x + 3y + 11n) mod 251. Pixel (0, 0) of
# frame n is 11n mod 251, and 11 is invertible modulo the prime 251, so a frame names its number.
_INVERSE_11 = pow(11, -1, 251)


def drawing(width, height, frame, pixel=ky.KyPixelMono8):
    """Frame `frame` of the drawing: uint8 (height, width) for the 8-bit types; for Mono16 the
    8-bit value in the high byte and (x + y) mod 256 in the low one, so byte order shows."""
    y, x = numpy.mgrid[0:height, 0:width]
    value = (x * 7 + y * 3 + frame * 11) % 251
    if pixel == ky.KyPixelMono16:
        return (value * 256 + (x + y) % 256).astype(numpy.uint16)
    return value.astype(numpy.uint8)


def frame_number(pixels):
    """The frame number a drawn image shows (modulo 251), from pixel (0, 0)."""
    first = int(pixels.reshape(-1)[0])
    if pixels.dtype == numpy.uint16:
        first >>= 8
    return (first * _INVERSE_11) % 251


def bytes_per_pixel(pixel):
    return 2 if pixel == ky.KyPixelMono16 else 1


def check_frame(pixels, width, height, pixel):
    """Asserts that `pixels` (an array of any shape holding the frame's bytes or values) is a
    whole frame of the drawing in that size and pixel type; returns its number."""
    dtype = numpy.uint16 if pixel == ky.KyPixelMono16 else numpy.uint8
    flat = numpy.ascontiguousarray(pixels).view(numpy.uint8).reshape(-1)
    assert flat.size == width * height * bytes_per_pixel(pixel), (flat.size, width, height)
    image = flat.view(dtype).reshape(height, width)
    number = frame_number(image)
    expected = drawing(width, height, number, pixel)
    wrong = numpy.flatnonzero(image != expected)
    assert wrong.size == 0, "frame %d: %d wrong pixels, the first at %d" % (number, wrong.size, wrong[0])
    return number


Call = collections.namedtuple("Call", "name args main thread")


class Recorder:
    """The hooks and setters called, each with whether it came on the main thread and the
    identity of the thread it came on."""

    def __init__(self):
        self.calls = []
        self.lock = threading.Lock()

    def record(self, name, *args):
        with self.lock:
            self.calls.append(Call(name, args, threading.current_thread() is threading.main_thread(),
                                   threading.get_ident()))

    def names(self, only=None):
        with self.lock:
            return [c.name for c in self.calls if only is None or c.name in only]


def fill(buffer, width, height, pixel, frame):
    """Gives the buffer's image the format (reallocating when it changed) and draws the frame."""
    image = native.KyBuffer_GetImage(buffer)
    if (native.IKyImage_GetWidth(image), native.IKyImage_GetHeight(image),
            native.IKyImage_GetPixelType(image)) != (width, height, pixel):
        assert native.KyImage_Alloc(image, width, height, pixel, 0, 0) == ky.KY_OK
    native.IKyImage_GetDataPointer(image)[:, :] = drawing(width, height, frame, pixel)


HOOKS = ("OnOpen", "OnStreamingStart", "OnStreamingStop", "OnClose")


class DrawingDefaultSource(ky.KyStreamingChannelSourceDefault):
    """The default source keeps the format (its pixel types: Mono8 and the Bayer 8-bit ones) and
    the buffers; this one draws the frames and records the hooks."""

    def __init__(self, width, height, pixel=ky.KyPixelMono8, buffers=4, pace=0.01):
        super().__init__(width, height, pixel, buffers)
        self.queue = collections.deque()
        self.frame = 0
        self.pace = pace
        self.rec = Recorder()

    def QueueBuffer(self, buffer):
        self.queue.append(buffer)
        return ky.KY_OK

    def RetrieveBuffer(self, notused):
        if self.pace:
            time.sleep(self.pace)
        if not self.queue:
            return (ky.KY_TIMEOUT, None)
        buffer = self.queue.popleft()
        fill(buffer, self.GetWidth(), self.GetHeight(), self.GetPixelType(), self.frame)
        self.frame += 1
        return (ky.KY_OK, buffer)

    def AbortQueuedBuffers(self):
        self.rec.record("AbortQueuedBuffers")
        ky.KyStreamingChannelSourceDefault.AbortQueuedBuffers(self)

    def CreateRegisters(self, register_map, factory):
        self.rec.record("CreateRegisters")
        ky.KyStreamingChannelSourceDefault.CreateRegisters(self, register_map, factory)

    def CreateGenApiFeatures(self, register_map, factory):
        self.rec.record("CreateGenApiFeatures")
        ky.KyStreamingChannelSourceDefault.CreateGenApiFeatures(self, register_map, factory)

    def AllocBuffer(self):
        self.rec.record("AllocBuffer")
        return ky.KyStreamingChannelSourceDefault.AllocBuffer(self)

    def FreeBuffer(self, buffer):
        self.rec.record("FreeBuffer")
        ky.KyStreamingChannelSourceDefault.FreeBuffer(self, buffer)

    def OnOpen(self, ip, port):
        self.rec.record("OnOpen", str(ip), port)
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

    def SetWidth(self, width):
        self.rec.record("SetWidth", width)
        return ky.KyStreamingChannelSourceDefault.SetWidth(self, width)

    def SetHeight(self, height):
        self.rec.record("SetHeight", height)
        return ky.KyStreamingChannelSourceDefault.SetHeight(self, height)

    def SetPixelType(self, pixel):
        self.rec.record("SetPixelType", pixel)
        return ky.KyStreamingChannelSourceDefault.SetPixelType(self, pixel)


class DrawingSource(ky.IKyStreamingChannelSource):
    """Every operation in Python: its own size limits (width in steps of 8), pixel types (Mono8
    and Mono16), one chunk it names (chunk mode stays off: the device streams images), and buffers
    it makes itself."""

    PIXELS = (ky.KyPixelMono8, ky.KyPixelMono16)
    CHUNKS = ((0x1001, "FrameStamp"),)

    def __init__(self, width, height, pixel=ky.KyPixelMono8, buffers=3, pace=0.01):
        super().__init__()
        self.width, self.height, self.pixel = width, height, pixel
        self.buffer_count = buffers
        self.buffers, self.queue = [], collections.deque()
        self.frame = 0
        self.pace = pace
        self.rec = Recorder()

    def GetWidth(self): return self.width
    def GetHeight(self): return self.height
    def GetOffsetX(self): return 0
    def GetOffsetY(self): return 0
    def GetPixelType(self): return self.pixel
    def GetWidthInfo(self): return (8, 2048, 8)
    def GetHeightInfo(self): return (4, 2048, 1)
    def GetChunksSize(self): return 0
    def GetPayloadSize(self): return 0
    def GetScanType(self): return ky.KyScanTypeArea
    def GetChunkModeActive(self): return False
    def GetChunkEnable(self, chunk_id): return False

    def GetSupportedPixelType(self, index):
        if 0 <= index < len(self.PIXELS):
            return (ky.KY_OK, self.PIXELS[index])
        return (ky.KY_INVALID_PARAMETER, 0)

    def GetSupportedChunk(self, index):
        if 0 <= index < len(self.CHUNKS):
            return (ky.KY_OK,) + self.CHUNKS[index]
        return (ky.KY_INVALID_PARAMETER, 0, "")

    def SetWidth(self, width):
        self.rec.record("SetWidth", width)
        if width % 8 or not 8 <= width <= 2048:
            return ky.KY_GENERIC_ERROR
        self.width = width
        return ky.KY_OK

    def SetHeight(self, height):
        self.rec.record("SetHeight", height)
        if not 4 <= height <= 2048:
            return ky.KY_GENERIC_ERROR
        self.height = height
        return ky.KY_OK

    def SetOffsetX(self, value): return ky.KY_OK if value == 0 else ky.KY_GENERIC_ERROR
    def SetOffsetY(self, value): return ky.KY_OK if value == 0 else ky.KY_GENERIC_ERROR

    def SetPixelType(self, pixel):
        self.rec.record("SetPixelType", pixel)
        if pixel not in self.PIXELS:
            return ky.KY_GENERIC_ERROR
        self.pixel = pixel
        return ky.KY_OK

    def SetChunkModeActive(self, enabled): return ky.KY_OK if not enabled else ky.KY_GENERIC_ERROR
    def SetChunkEnable(self, chunk_id, enabled): return ky.KY_GENERIC_ERROR

    def OnOpen(self, ip, port): self.rec.record("OnOpen", str(ip), port)
    def OnClose(self): self.rec.record("OnClose")
    def OnStreamingStart(self): self.rec.record("OnStreamingStart")
    def OnStreamingStop(self): self.rec.record("OnStreamingStop")

    def AllocBuffer(self):
        self.rec.record("AllocBuffer")
        if len(self.buffers) >= self.buffer_count:
            return None
        buffer = ky.KyBuffer()
        self.buffers.append(buffer)
        return buffer

    def FreeBuffer(self, buffer):
        self.rec.record("FreeBuffer")
        self.buffers.remove(buffer)  # found by equality: the object handed here is a new one

    def QueueBuffer(self, buffer):
        self.queue.append(buffer)
        return ky.KY_OK

    def RetrieveBuffer(self, notused):
        if self.pace:
            time.sleep(self.pace)
        if not self.queue:
            return (ky.KY_TIMEOUT, None)
        buffer = self.queue.popleft()
        fill(buffer, self.width, self.height, self.pixel, self.frame)
        self.frame += 1
        return (ky.KY_OK, buffer)

    def AbortQueuedBuffers(self):
        self.rec.record("AbortQueuedBuffers")

    def CreateRegisters(self, register_map, factory):
        self.rec.record("CreateRegisters")

    def CreateGenApiFeatures(self, register_map, factory):
        self.rec.record("CreateGenApiFeatures")


def start_device(source, mac):
    """A soft device streaming from `source`, started on the adapter with that MAC address."""
    device = ky.KySoftDeviceGEV()
    assert native.KySoftDeviceGEV_AddStream(device, source).GetCode() == ky.KY_OK
    result = native.KySoftDeviceGEV_Start(device, mac)
    assert result.GetCode() == ky.KY_OK, str(result.GetDescription())
    return device
