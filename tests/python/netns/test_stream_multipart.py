"""Multi-part payloads from softcam (--multipart): once the controller sets the channel's
multi-part bit (SCCFG), each frame arrives as an image part (the test pattern, exact), a JPEG part
and a chunk part (the frame number), read from Python through the container and its sections;
aravis's own receiver reads the same parts."""
import shutil
import subprocess

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


ARV_SCRIPT = r'''
import sys
import gi
gi.require_version("Aravis", "0.8")
from gi.repository import Aravis
camera = Aravis.Camera.new(sys.argv[1])
assert camera.gv_is_multipart_supported()
camera.gv_set_multipart(True)
# The camera's address is this namespace's own: its packets never pass the adapter that aravis's
# packet socket would watch, so aravis reads a plain UDP socket.
camera.gv_set_stream_options(Aravis.GvStreamOption.PACKET_SOCKET_DISABLED)
stream = camera.create_stream(None, None)
for _ in range(4):
    stream.push_buffer(Aravis.Buffer.new_allocate(camera.get_payload()))
camera.start_acquisition()
try:
    for _ in range(20):
        buffer = stream.timeout_pop_buffer(2000000)
        if buffer is None:
            continue
        if buffer.get_status() == Aravis.BufferStatus.SUCCESS:
            n = buffer.get_n_parts()
            print(int(buffer.get_payload_type()), buffer.get_frame_id(), n)
            for i in range(n):
                data = buffer.get_part_data(i)
                print(int(buffer.get_part_data_type(i)), buffer.get_part_width(i), buffer.get_part_height(i),
                      buffer.get_part_pixel_format(i), len(data), bytes(data[:16]).hex())
            break
        stream.push_buffer(buffer)
finally:
    camera.stop_acquisition()
    camera.gv_set_multipart(False)
'''


@pytest.mark.skipif(shutil.which("arv-tool-0.8") is None, reason="aravis is not installed")
def test_aravis_reads_the_same_parts(camera):
    done = subprocess.run(["/usr/bin/python3", "-c", ARV_SCRIPT, MULTIPART_IP], capture_output=True, text=True,
                          timeout=60)
    assert done.returncode == 0, done.stderr
    lines = done.stdout.split("\n")
    payload_type, frame, count = (int(v) for v in lines[0].split())
    assert payload_type == 10  # multi-part
    assert count == 3
    parts = [line.split() for line in lines[1:4]]
    # The image part: its geometry and the first pixels of its frame's pattern.
    assert parts[0][:4] == ["1", str(WIDTH), str(HEIGHT), str(ky.KyPixelMono8)]
    assert int(parts[0][4]) == WIDTH * HEIGHT
    first = bytes.fromhex(parts[0][5])
    candidates = [bytes(pattern(f)[0, :16]) for f in range(frame + 2)]
    assert first in candidates
    # The JPEG part starts a JPEG stream; the chunk part holds the frame chunk's data.
    assert parts[1][0] == "11" and parts[1][5].startswith("ffd8")
    assert parts[2][0] == "10" and int(parts[2][4]) == 16
