"""Multi-part payloads from softcam (--multipart): once the controller sets the channel's
multi-part bit (SCCFG), each frame arrives as an image part (the test pattern, exact), a JPEG part
and a chunk part (the frame number), read from Python through the container and its sections."""
import numpy
import pytest

import _tavro_python as native
import tavro_python as ky
from netns_helpers import SoftCameras
from stream_helpers import connect, drain, pattern, start, stop

WIDTH, HEIGHT = 320, 240  # the size stream_helpers.pattern draws
MULTIPART_IP = "10.10.2.3"
CAMERA = ["--adapter", "kyc2", "--ip", MULTIPART_IP, "--model", "PyMultiPart", "--serial", "PM0006",
          "--width", str(WIDTH), "--height", str(HEIGHT), "--fps", "30", "--multipart"]
SCC = 0x0D20
SCCFG = 0x0D24
MULTIPART_BIT = 0x00000040
FRAME_CHUNK_ID = 0x4B590001
FRAMES = 6
WAIT_MS = 10000  # bound of every wait; only a hang reaches it


@pytest.fixture(scope="module")
def camera():
    cams = SoftCameras(*CAMERA)
    yield cams
    cams.stop()


def test_parts_arrive_with_their_types_and_data(camera):
    device = connect(MULTIPART_IP)
    try:
        r, capability = native.KyDeviceGEV_ReadRegister(device, SCC)
        assert r.IsOK() and capability & MULTIPART_BIT
        assert native.KyDeviceGEV_WriteRegister(device, SCCFG, MULTIPART_BIT).IsOK()
        stream = ky.KyStreamGEV()
        assert stream.Open(MULTIPART_IP).IsOK()
        buffers = []
        for _ in range(4):
            b = ky.KyBuffer()
            assert b.Alloc(1 << 20).IsOK()
            assert native.KyStream_QueueBuffer(stream, b).GetCode() == ky.KY_PENDING
            buffers.append(b)
        start(device, stream)
        for _ in range(FRAMES):
            r, buffer, operation = native.KyStream_RetrieveBuffer(stream, WAIT_MS)
            assert r.IsOK() and operation.IsOK(), str(operation.GetDescription())
            assert buffer.GetPayloadType() == ky.KyPayloadTypeMultiPart
            frame = buffer.GetBlockID() - 1  # block ids count from 1, frames from 0
            parts = buffer.GetMultiPartContainer()
            assert parts.GetPartCount() == 3
            image, jpeg, chunk = (parts.GetPart(i) for i in range(3))

            assert image.GetDataType() == ky.KyMultiPart2DImage
            view = image.GetImage()
            assert (view.GetWidth(), view.GetHeight(), view.GetPixelType()) == (WIDTH, HEIGHT, ky.KyPixelMono8)
            numpy.testing.assert_array_equal(view.GetDataPointer(), pattern(frame))
            assert image.GetDataPointer().shape == (WIDTH * HEIGHT,)

            assert jpeg.GetDataType() == ky.KyMultiPartJPEGImage
            compressed = jpeg.GetJPEG().GetDataPointer()
            assert compressed.shape == (jpeg.GetJPEG().GetDataSize(),) == (jpeg.GetEffectiveSize(),)
            assert bytes(compressed[:2]) == b"\xff\xd8" and bytes(compressed[-2:]) == b"\xff\xd9"
            assert jpeg.GetJPEG().GetTimestampTickFrequency() == 10**9
            assert image.GetJPEG() is None and jpeg.GetImage() is None

            chunks = chunk.GetChunkData()
            assert chunk.GetDataType() == ky.KyMultiPartChunkData
            assert chunks.GetChunkSizeByID(FRAME_CHUNK_ID) == 8
            data = chunk.GetDataPointer()
            assert int.from_bytes(bytes(data[:8]), "big") == frame
            assert native.KyStream_QueueBuffer(stream, buffer).GetCode() == ky.KY_PENDING
        stop(device)
        drain(stream)
        assert stream.Close().IsOK()
    finally:
        native.KyDeviceGEV_WriteRegister(device, SCCFG, 0)
        native.KyDeviceGEV_ResetStreamDestination(device)
        native.KyDevice_Free(device)
