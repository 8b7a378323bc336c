"""Chunks of a streaming channel source written in Python: the source lists two chunk types and
appends them to its buffers (after the image, in the buffer's own memory) while chunk mode is on
and they are enabled. The device's ChunkModeActive, ChunkSelector and ChunkEnable reach the
source's setters; our receiver (KyStreamGEV) gets each image pixel-exact with the chunks readable
by ID, and aravis reads the same chunks; with chunk mode off the frames are plain images."""
import shutil
import struct
import time

import numpy
import pytest

import _tavro_python as native
import tavro_python as ky
from source_helpers import DrawingDefaultSource, bytes_per_pixel, check_frame, drawing, start_device

MAC = "02:00:0a:0a:02:02"
IP = "10.10.2.2"
LOOPBACK_MAC = "00:00:00:00:00:00"
LOOPBACK_IP = "127.0.0.1"
WIDTH, HEIGHT = 64, 30
FRAMES = 5
WAIT_MS = 10000  # bound of every wait; only a hang reaches it
COUNTER_ID, STAMP_ID = 0x2001, 0x2002
CHUNK_ROOM = 64  # bytes after the image for the chunks and their tags


class ChunkSource(DrawingDefaultSource):
    """Draws its frames and appends a frame counter (8 bytes) and a stamp (4 bytes) chunk."""

    CHUNKS = ((COUNTER_ID, "ChunkFrameCounter"), (STAMP_ID, "ChunkStamp"))
    SIZES = {COUNTER_ID: 8, STAMP_ID: 4}

    def __init__(self):
        super().__init__(WIDTH, HEIGHT)
        self.mode = False
        self.enabled = {COUNTER_ID: False, STAMP_ID: False}

    def GetSupportedChunk(self, index):
        if 0 <= index < len(self.CHUNKS):
            return (ky.KY_OK,) + self.CHUNKS[index]
        return (ky.KY_INVALID_PARAMETER, 0, "")

    def GetChunkModeActive(self): return self.mode
    def GetChunkEnable(self, chunk_id): return self.enabled.get(chunk_id, False)

    def GetChunksSize(self):
        if not self.mode:
            return 0
        return sum(size + 8 for chunk, size in self.SIZES.items() if self.enabled[chunk])

    def SetChunkModeActive(self, enabled):
        self.rec.record("SetChunkModeActive", enabled)
        self.mode = enabled
        return ky.KY_OK

    def SetChunkEnable(self, chunk_id, enabled):
        self.rec.record("SetChunkEnable", chunk_id, enabled)
        if chunk_id not in self.enabled:
            return ky.KY_GENERIC_ERROR
        self.enabled[chunk_id] = enabled
        return ky.KY_OK

    def RetrieveBuffer(self, notused):
        time.sleep(self.pace)
        if not self.queue:
            return (ky.KY_TIMEOUT, None)
        buffer = self.queue.popleft()
        image = native.KyBuffer_GetImage(buffer)
        if native.IKyImage_GetWidth(image) != WIDTH or native.IKyChunkData_GetChunkDataCapacity(buffer) < 40:
            assert native.KyImage_Alloc(image, WIDTH, HEIGHT, ky.KyPixelMono8, 0, 0, CHUNK_ROOM) == ky.KY_OK
        native.IKyImage_GetDataPointer(image)[:, :] = drawing(WIDTH, HEIGHT, self.frame)
        if self.mode and self.enabled[COUNTER_ID]:
            assert native.KyBuffer_AddChunk(buffer, COUNTER_ID, struct.pack("<Q", self.frame)) == ky.KY_OK
        if self.mode and self.enabled[STAMP_ID]:
            assert native.KyBuffer_AddChunk(buffer, STAMP_ID, struct.pack("<I", 7000 + self.frame)) == ky.KY_OK
        self.frame += 1
        return (ky.KY_OK, buffer)


def stop_device(device):
    assert native.KySoftDeviceGEV_Stop(device).GetCode() == ky.KY_OK


def set_chunks(params, mode, enabled):
    assert native.KyGenParameterArray_SetBooleanValue(params, "ChunkModeActive", mode).IsOK()
    for name, on in enabled:
        assert native.KyGenParameterArray_SetEnumValue(params, "ChunkSelector", name)[0].IsOK()
        assert native.KyGenParameterArray_SetBooleanValue(params, "ChunkEnable", on).IsOK()


def receive(device, params, stream, chunks):
    """FRAMES frames through a pipeline: pixel-exact images, with the chunks when `chunks`."""
    payload = native.KyDevice_GetPayloadSize(device)
    assert payload == WIDTH * HEIGHT + (8 + (8 + 8) + (4 + 8) if chunks else 0)
    pipeline = ky.KyPipeline(stream)
    native.KyPipeline_SetBufferSize(pipeline, payload)
    assert native.KyPipeline_SetBufferCount(pipeline, 8).IsOK()
    assert native.KyPipeline_Start(pipeline).IsOK()
    assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStart").IsOK()
    numbers = []
    try:
        for _ in range(FRAMES):
            r, buffer, operation = native.KyPipeline_RetrieveNextBuffer(pipeline, WAIT_MS)
            assert r.IsOK() and operation.IsOK(), str(operation.GetDescription())
            image = buffer.GetImage()
            frame = check_frame(image.GetDataPointer(), WIDTH, HEIGHT, ky.KyPixelMono8)
            numbers.append(frame)
            if chunks:
                assert native.IKyChunkData_GetChunkCount(buffer) == 2
                counter = bytes(native.IKyChunkData_GetChunkRawDataByID(buffer, COUNTER_ID))
                stamp = bytes(native.IKyChunkData_GetChunkRawDataByID(buffer, STAMP_ID))
                sent = struct.unpack("<Q", counter)[0]
                assert sent % 251 == frame
                assert struct.unpack("<I", stamp)[0] == 7000 + sent
            else:
                assert native.IKyChunkData_HasChunks(buffer) is False
            assert native.KyPipeline_ReleaseBuffer(pipeline, buffer).IsOK()
    finally:
        assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStop").IsOK()
        assert native.KyPipeline_Stop(pipeline).IsOK()
    assert numbers == [(numbers[0] + i) % 251 for i in range(FRAMES)], numbers


def test_our_receiver_gets_the_chunks():
    source = ChunkSource()
    soft = start_device(source, MAC)
    try:
        r, device = native.KyDevice_CreateAndConnect(IP)
        assert r.IsOK(), str(r.GetDescription())
        params = native.KyDevice_GetParameters(device)
        r, stream = native.KyStream_CreateAndOpen(IP)
        assert r.IsOK(), str(r.GetDescription())
        ip = native.KyStreamGEV_GetLocalIPAddress(stream)
        assert native.KyDeviceGEV_SetStreamDestination(device, ip, native.KyStreamGEV_GetLocalPort(stream)).IsOK()
        set_chunks(params, True, [("ChunkFrameCounter", True), ("ChunkStamp", True)])
        receive(device, params, stream, True)
        set_chunks(params, False, [])
        receive(device, params, stream, False)
        native.KyStream_Close(stream)
        native.KyDevice_Free(device)
    finally:
        stop_device(soft)
    calls = [(c[0], c[1]) for c in source.rec.calls if c[0].startswith("SetChunk")]
    assert calls == [("SetChunkModeActive", (True,)), ("SetChunkEnable", (COUNTER_ID, True)),
                     ("SetChunkEnable", (STAMP_ID, True)), ("SetChunkModeActive", (False,))]


def aravis():
    try:
        import gi
        gi.require_version("Aravis", "0.8")
        from gi.repository import Aravis
        return Aravis
    except (ImportError, ValueError):
        return None


@pytest.mark.skipif(aravis() is None, reason="aravis's Python binding is not installed")
def test_aravis_reads_the_chunks():
    Aravis = aravis()
    source = ChunkSource()
    soft = start_device(source, LOOPBACK_MAC)
    try:
        camera = Aravis.Camera.new(LOOPBACK_IP)
        camera.set_boolean("ChunkModeActive", True)
        for name in ("ChunkFrameCounter", "ChunkStamp"):
            camera.set_string("ChunkSelector", name)
            camera.set_boolean("ChunkEnable", True)
        payload = camera.get_payload()
        assert payload == WIDTH * HEIGHT + 8 + (8 + 8) + (4 + 8)
        stream = camera.create_stream(None, None)
        for _ in range(6):
            stream.push_buffer(Aravis.Buffer.new_allocate(payload))
        camera.start_acquisition()
        got = 0
        try:
            deadline = time.monotonic() + WAIT_MS / 1000
            while got < FRAMES and time.monotonic() < deadline:
                buffer = stream.timeout_pop_buffer(1_000_000)
                if buffer is None:
                    continue
                assert buffer.get_status() == Aravis.BufferStatus.SUCCESS, buffer.get_status()
                assert buffer.has_chunks()
                assert (buffer.get_image_width(), buffer.get_image_height()) == (WIDTH, HEIGHT)
                data = numpy.frombuffer(buffer.get_image_data(), dtype=numpy.uint8).copy()
                frame = check_frame(data[:WIDTH * HEIGHT], WIDTH, HEIGHT, ky.KyPixelMono8)
                counter = struct.unpack("<Q", bytes(buffer.get_chunk_data(COUNTER_ID)))[0]
                stamp = struct.unpack("<I", bytes(buffer.get_chunk_data(STAMP_ID)))[0]
                assert counter % 251 == frame and stamp == 7000 + counter
                got += 1
                stream.push_buffer(buffer)
        finally:
            camera.stop_acquisition()
        del stream
        del camera
        assert got == FRAMES, "aravis got %d frames of %d" % (got, FRAMES)
    finally:
        stop_device(soft)
