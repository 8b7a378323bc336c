"""Frames of streaming channel sources written in Python: a source derived from the default one
and a source written from the interface, each drawing its own images with numpy in its own size
and pixel types, stream through a soft device; our receiver (KyStreamGEV with a KyPipeline) and
aravis (arv-tool-0.8 and its gi stream) get every pixel, and a controller's Width, Height and
PixelFormat reach the source's setters, the next frames following them.

Our receiver takes the device on adapter kyc2 (10.10.2.2). Aravis takes it on the loopback
adapter: inside the namespace every address is this host's, so packets to the device's
neighbour address travel over lo, and aravis's packet socket, which it binds to the adapter of
its control connection (kyc2), would never see them."""
import shutil
import subprocess
import time

import numpy
import pytest

import _tavro_python as native
import tavro_python as ky
from source_helpers import (DrawingDefaultSource, DrawingSource, bytes_per_pixel, check_frame,
                            start_device)

MAC = "02:00:0a:0a:02:02"
IP = "10.10.2.2"
LOOPBACK_MAC = "00:00:00:00:00:00"
LOOPBACK_IP = "127.0.0.1"
FRAMES = 6
WAIT_MS = 10000  # bound of every wait; only a hang reaches it

# (first format, format the controller sets): width, height, pixel type name, pixel type.
SOURCES = [
    pytest.param(lambda: DrawingDefaultSource(200, 100), (200, 100, "Mono8", ky.KyPixelMono8),
                 (96, 40, "BayerRG8", ky.KyPixelBayerRG8), id="default-subclass"),
    pytest.param(lambda: DrawingSource(160, 90), (160, 90, "Mono8", ky.KyPixelMono8),
                 (64, 50, "Mono16", ky.KyPixelMono16), id="interface"),
]


def stop_device(device):
    assert native.KySoftDeviceGEV_Stop(device).GetCode() == ky.KY_OK


# ----- our receiver: KyDeviceGEV controls, KyStreamGEV and a KyPipeline receive.

def receive(device, params, stream, width, height, pixel):
    """Starts acquisition, takes FRAMES frames through a pipeline, stops; checks every pixel and
    that the frames are consecutive drawings."""
    payload = width * height * bytes_per_pixel(pixel)
    assert native.KyDevice_GetPayloadSize(device) == payload
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
            assert (image.GetWidth(), image.GetHeight(), image.GetPixelType()) == (width, height, pixel)
            numbers.append(check_frame(image.GetDataPointer(), width, height, pixel))
            assert native.KyPipeline_ReleaseBuffer(pipeline, buffer).IsOK()
    finally:
        assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStop").IsOK()
        assert native.KyPipeline_Stop(pipeline).IsOK()
    assert numbers == [(numbers[0] + i) % 251 for i in range(FRAMES)], numbers


@pytest.mark.parametrize("make,first,second", SOURCES)
def test_our_receiver_gets_the_drawn_frames(make, first, second):
    source = make()
    soft = start_device(source, MAC)
    try:
        r, device = native.KyDevice_CreateAndConnect(IP)
        assert r.IsOK(), str(r.GetDescription())
        params = native.KyDevice_GetParameters(device)
        r, stream = native.KyStream_CreateAndOpen(IP)
        assert r.IsOK(), str(r.GetDescription())
        ip = native.KyStreamGEV_GetLocalIPAddress(stream)
        assert native.KyDeviceGEV_SetStreamDestination(device, ip, native.KyStreamGEV_GetLocalPort(stream)).IsOK()
        # The source's own pixel types are the PixelFormat entries.
        r, value = native.KyGenParameterArray_GetEnumValueString(params, "PixelFormat")
        assert r.IsOK() and value == first[2]
        receive(device, params, stream, first[0], first[1], first[3])

        width, height, name, pixel = second
        assert native.KyGenParameterArray_SetIntegerValue(params, "Width", width).IsOK()
        assert native.KyGenParameterArray_SetIntegerValue(params, "Height", height).IsOK()
        assert native.KyGenParameterArray_SetEnumValue(params, "PixelFormat", name)[0].IsOK()
        receive(device, params, stream, width, height, pixel)
        native.KyStream_Close(stream)
        native.KyDevice_Free(device)
    finally:
        stop_device(soft)
    calls = source.rec.calls
    assert ("SetWidth", (width,)) in [(c[0], c[1]) for c in calls]
    assert ("SetHeight", (height,)) in [(c[0], c[1]) for c in calls]
    assert ("SetPixelType", (pixel,)) in [(c[0], c[1]) for c in calls]
    # The setters came from the controller's writes, on the device's thread.
    assert not any(c.main for c in calls if c.name.startswith("Set"))


# ----- aravis: arv-tool-0.8 reads the features, its gi stream receives.

def arv_tool(*args):
    return subprocess.run(["arv-tool-0.8", "-a", LOOPBACK_IP, *args], capture_output=True, text=True,
                          timeout=30).stdout


def aravis():
    try:
        import gi
        gi.require_version("Aravis", "0.8")
        from gi.repository import Aravis
        return Aravis
    except (ImportError, ValueError):
        return None


def arv_receive(Aravis, camera, width, height, pixel):
    payload = camera.get_payload()
    assert payload == width * height * bytes_per_pixel(pixel)
    stream = camera.create_stream(None, None)
    for _ in range(8):
        stream.push_buffer(Aravis.Buffer.new_allocate(payload))
    camera.start_acquisition()
    numbers = []
    try:
        deadline = time.monotonic() + WAIT_MS / 1000
        while len(numbers) < FRAMES and time.monotonic() < deadline:
            buffer = stream.timeout_pop_buffer(1_000_000)
            if buffer is None:
                continue
            assert buffer.get_status() == Aravis.BufferStatus.SUCCESS, buffer.get_status()
            assert (buffer.get_image_width(), buffer.get_image_height()) == (width, height)
            assert buffer.get_image_pixel_format() == pixel
            data = numpy.frombuffer(buffer.get_data(), dtype=numpy.uint8).copy()
            numbers.append(check_frame(data, width, height, pixel))
            stream.push_buffer(buffer)
    finally:
        camera.stop_acquisition()
    del stream
    assert len(numbers) == FRAMES, "aravis got %d frames of %d" % (len(numbers), FRAMES)
    assert numbers == [(numbers[0] + i) % 251 for i in range(FRAMES)], numbers


@pytest.mark.skipif(shutil.which("arv-tool-0.8") is None or aravis() is None,
                    reason="aravis's tools or its Python binding are not installed")
@pytest.mark.parametrize("make,first,second", SOURCES)
def test_aravis_gets_the_drawn_frames(make, first, second):
    Aravis = aravis()
    source = make()
    soft = start_device(source, LOOPBACK_MAC)
    try:
        # arv-tool sees the source's format and its pixel types.
        out = arv_tool("control", "Width", "Height", "PixelFormat", "PayloadSize")
        assert "Width = %d" % first[0] in out and "Height = %d" % first[1] in out, out
        assert "PixelFormat = %s" % first[2] in out, out
        assert "PayloadSize = %d" % (first[0] * first[1] * bytes_per_pixel(first[3])) in out, out
        features = arv_tool("features")
        listed = {e: "'%s'" % e in features for e in ("Mono8", "Mono16", "BayerGR8", "BayerRG8", "BayerGB8", "BayerBG8")}
        if isinstance(source, DrawingSource):
            assert [e for e, there in listed.items() if there] == ["Mono8", "Mono16"], features
        else:
            assert [e for e, there in listed.items() if not there] == ["Mono16"], features

        camera = Aravis.Camera.new(LOOPBACK_IP)
        arv_receive(Aravis, camera, first[0], first[1], first[3])
        width, height, name, pixel = second
        camera.set_integer("Width", width)
        camera.set_integer("Height", height)
        camera.set_string("PixelFormat", name)
        arv_receive(Aravis, camera, width, height, pixel)
        del camera
    finally:
        stop_device(soft)
    assert source.GetWidth() == width and source.GetHeight() == height and source.GetPixelType() == pixel
    calls = [(c[0], c[1]) for c in source.rec.calls]
    assert ("SetWidth", (width,)) in calls and ("SetHeight", (height,)) in calls
    assert ("SetPixelType", (pixel,)) in calls
