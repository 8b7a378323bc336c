"""Our stream on aravis's fake GigE Vision camera (the peer), from Python: the one-frame road with
acquisition started through the camera's own GenICam file. A module of its own, so that no soft
camera holds the control port meanwhile."""
import io
import shutil
import subprocess
import xml.etree.ElementTree as ElementTree
import zipfile

import numpy
import pytest

import _tavro_python as native
import tavro_python as ky
from netns_helpers import wait_for
from stream_helpers import drain, new_buffers

FRAMES = 20
WAIT_MS = 10000  # bound of every wait; only a hang reaches it

# The fake camera draws a diagonal ramp: pixel (x, y) = (x + y + frame id) mod 255.

ARV_IP = "127.0.0.1"


def command_register(xml, name):
    """The register address and value of a GenICam command, following its pValue."""
    nodes = {}
    for e in xml.iter():
        if e.get("Name") and e.tag.split("}")[-1] not in ("EnumEntry", "Category"):
            nodes.setdefault(e.get("Name"), e)

    def child(e, tag):
        for c in e:
            if c.tag.split("}")[-1] == tag:
                return c.text.strip()
        return None

    command = nodes[name]
    value = int(child(command, "CommandValue"), 0)
    register = nodes[child(command, "pValue")]
    return int(child(register, "Address"), 0), value


@pytest.mark.skipif(shutil.which("arv-fake-gv-camera-0.8") is None, reason="aravis's fake camera is not installed")
def test_one_frame_road_aravis_fake_camera(tmp_path):
    camera = subprocess.Popen(["arv-fake-gv-camera-0.8", "-i", ARV_IP], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    try:
        device = None

        def connected():
            nonlocal device
            r, device = native.KyDevice_CreateAndConnect(ARV_IP)
            return r.IsOK()

        assert wait_for(connected), "arv-fake-gv-camera-0.8 did not answer"
        path = str(tmp_path / "arv.xml")
        assert native.KyDevice_DumpGenICamXML(device, path).IsOK()
        with open(path, "rb") as f:
            data = f.read()
        if data[:2] == b"PK":
            with zipfile.ZipFile(io.BytesIO(data)) as archive:
                data = archive.read([n for n in archive.namelist() if n.lower().endswith(".xml")][0])
        xml = ElementTree.fromstring(data)
        start_address, start_value = command_register(xml, "AcquisitionStart")
        stop_address, stop_value = command_register(xml, "AcquisitionStop")
        r, stream = native.KyStream_CreateAndOpen(ARV_IP)
        assert r.IsOK() and type(stream) is ky.KyStreamGEV
        payload = native.KyDevice_GetPayloadSize(device)
        buffers = new_buffers(8, payload)
        for b in buffers:
            assert native.KyStream_QueueBuffer(stream, b).GetCode() == ky.KY_PENDING
        assert native.KyDeviceGEV_SetStreamDestination(device, native.KyStreamGEV_GetLocalIPAddress(stream),
                                                       native.KyStreamGEV_GetLocalPort(stream)).IsOK()
        assert native.KyDeviceGEV_WriteRegister(device, start_address, start_value).IsOK()
        ids = []
        for _ in range(FRAMES):
            r, buffer, operation = native.KyStream_RetrieveBuffer(stream, WAIT_MS)
            assert r.IsOK() and operation.IsOK(), str(operation.GetDescription())
            image = buffer.GetImage()
            assert image.GetPixelType() == ky.KyPixelMono8
            pixels = image.GetDataPointer()
            height, width = pixels.shape
            assert (width, height) == (image.GetWidth(), image.GetHeight())
            x = numpy.arange(width)[numpy.newaxis, :]
            y = numpy.arange(height)[:, numpy.newaxis]
            assert numpy.array_equal(pixels, ((x + y + buffer.GetBlockID()) % 255).astype(numpy.uint8))
            ids.append(buffer.GetBlockID())
            assert native.KyStream_QueueBuffer(stream, buffer).GetCode() == ky.KY_PENDING
        assert native.KyDeviceGEV_WriteRegister(device, stop_address, stop_value).IsOK()
        # The fake camera's frame ids grow, but it leaves ids out now and then; each frame that
        # came is the ramp of its own id.
        assert ids == sorted(set(ids))
        codes = drain(stream)
        assert len(codes) == 8 and set(codes) <= {ky.KY_ABORTED, ky.KY_OK}
        native.KyStream_Free(stream)
        native.KyDevice_Free(device)
    finally:
        camera.terminate()
        camera.wait(timeout=10)
