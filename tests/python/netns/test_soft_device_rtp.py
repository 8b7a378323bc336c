"""RTP from a software device written in Python: started with RTP enabled, its stream channel 0
offers GevSCProtocol; a controller chooses RTP and aims the channel at the host (kyh2, 10.10.2.1).
KySystem_DiscoverSessions then finds the session that the device announces by SAP, a KyStreamRTP
opened from the session record receives pixel-exact frames, and so does GStreamer (udpsrc with
the caps of the announced session description, rtpvrawdepay). When the channel stops, its
announcement is withdrawn. A KyStreamRTP opened on the device itself chooses RTP and the
destination on its own; a device without RTP refuses it. Every wait is bounded."""
import os
import socket
import struct
import subprocess
import time

import numpy
import pytest

import _tavro_python as native
import tavro_python as ky

import netns_helpers
import stream_helpers

MAC = "02:00:0a:0a:02:02"
DEVICE_IP = "10.10.2.2"
HOST = "10.10.2.1"
PLAIN_MAC = "02:00:0a:0a:01:02"  # a device without RTP, on kyc1 (10.10.1.2)
PLAIN_IP = "10.10.1.2"
WIDTH, HEIGHT = 160, 120
FRAME_SIZE = WIDTH * HEIGHT * 3
PORT = 50510
WAIT_MS = 10000
ACQUISITION_START = 0x3FFF101C
ACQUISITION_STOP = 0x3FFF1020
SAP_GROUP, SAP_PORT = "224.2.127.254", 9875

_Y, _X, _C = numpy.mgrid[0:HEIGHT, 0:WIDTH, 0:3]


def drawing(n):
    """Frame n: a moving gradient whose first two bytes carry n."""
    image = ((_X * 7 + _Y * 3 + _C * 50 + n * 11) % 251).astype(numpy.uint8)
    image[0, 0, 0], image[0, 0, 1] = n & 0xFF, (n >> 8) & 0xFF
    return image


def frame_number(image):
    return int(image[0, 0, 0]) | (int(image[0, 0, 1]) << 8)


class DrawingSource(ky.KyStreamingChannelSourceDefault):
    """RGB8 frames of the drawing, about 30 a second (the default source keeps the size and the
    buffers; this one has its own pixel type)."""

    def __init__(self):
        super().__init__(WIDTH, HEIGHT, ky.KyPixelMono8, 4)
        self.frame = 0
        self.queue = []

    def GetPixelType(self):
        return ky.KyPixelRGB8

    def GetSupportedPixelType(self, index):
        return (ky.KY_OK, ky.KyPixelRGB8) if index == 0 else (ky.KY_INVALID_PARAMETER, 0)

    def SetPixelType(self, pixel):
        return ky.KY_OK if pixel == ky.KyPixelRGB8 else ky.KY_GENERIC_ERROR

    def QueueBuffer(self, buffer):
        self.queue.append(buffer)
        return ky.KY_OK

    def RetrieveBuffer(self, notused):
        time.sleep(0.03)
        if not self.queue:
            return (ky.KY_TIMEOUT, None)
        buffer = self.queue.pop(0)
        image = native.KyBuffer_GetImage(buffer)
        assert native.KyImage_Alloc(image, WIDTH, HEIGHT, ky.KyPixelRGB8, 0, 0) == ky.KY_OK
        native.IKyImage_GetDataPointer(image)[:, :, :] = drawing(self.frame)
        self.frame += 1
        return (ky.KY_OK, buffer)


def start_device(mac, source, rtp):
    device = ky.KySoftDeviceGEV()
    assert native.KySoftDeviceGEV_AddStream(device, source).GetCode() == ky.KY_OK
    assert native.KySoftDeviceGEV_SetRTPProtocolEnabled(device, rtp).IsOK()
    result = native.KySoftDeviceGEV_Start(device, mac)
    assert result.GetCode() == ky.KY_OK, str(result.GetDescription())
    return device


@pytest.fixture(scope="module", autouse=True)
def accept_local_sources():
    yield from netns_helpers.accept_local_sources("kyh2", "kyc2")


@pytest.fixture
def camera():
    source = DrawingSource()
    device = start_device(MAC, source, True)
    r, controller = native.KyDevice_CreateAndConnect(DEVICE_IP)
    assert r.IsOK(), str(r.GetDescription())
    yield controller
    native.KyDeviceGEV_WriteRegister(controller, ACQUISITION_STOP, 1)
    assert native.KyDevice_Disconnect(controller).IsOK()
    assert native.KySoftDeviceGEV_Stop(device).GetCode() == ky.KY_OK


def choose_rtp_and_start(controller):
    params = native.KyDevice_GetParameters(controller)
    assert native.KyGenParameterArray_SetIntegerValue(params, "GevStreamChannelSelector", 0).IsOK()
    assert native.KyGenParameterArray_SetEnumValue(params, "GevSCProtocol", "RTP")[0].IsOK()
    assert native.KyGenParameterArray_GetEnumValueString(params, "GevSCProtocol")[1] == "RTP"
    assert native.KyDeviceGEV_SetStreamDestination(controller, HOST, PORT).IsOK()
    assert native.KyDeviceGEV_WriteRegister(controller, ACQUISITION_START, 1).IsOK()


class SapListener:
    """The SAP group on the host's adapter, read by the test itself."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("", SAP_PORT))
        membership = struct.pack("4s4s", socket.inet_aton(SAP_GROUP), socket.inet_aton(HOST))
        self.sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, membership)
        self.sock.settimeout(1.0)

    def next(self, deletion, seconds=15):
        """The next announcement (or deletion) from the device: its description."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            try:
                data = self.sock.recv(4096)
            except socket.timeout:
                continue
            assert data[0] >> 5 == 1 and not data[0] & 0x10  # version 1, IPv4 origin
            if socket.inet_ntoa(data[4:8]) != DEVICE_IP or bool(data[0] & 0x04) != deletion:
                continue
            body = data[8 + 4 * data[1]:]
            mime, _, description = body.partition(b"\0")
            assert mime == b"application/sdp"
            return description.decode()
        raise AssertionError("no SAP %s from the device" % ("deletion" if deletion else "announcement"))

    def close(self):
        self.sock.close()


def receive_frames(stream, count):
    """`count` consecutive complete frames, each equal to the drawing of its number (a first
    frame joined in its middle may come incomplete and is passed over)."""
    buffers = stream_helpers.new_buffers(count + 8, FRAME_SIZE)
    for b in buffers:
        assert native.KyStream_QueueBuffer(stream, b).GetCode() == ky.KY_PENDING
    numbers = []
    for attempt in range(count + 8):
        r, buffer, operation = native.KyStream_RetrieveBuffer(stream, WAIT_MS)
        assert r.IsOK(), str(r.GetDescription())
        if operation.GetCode() != ky.KY_OK:
            assert not numbers, str(operation.GetDescription())  # only before the first whole frame
            continue
        image = buffer.GetImage()
        assert (image.GetWidth(), image.GetHeight(), image.GetPixelType()) == (WIDTH, HEIGHT, ky.KyPixelRGB8)
        pixels = image.GetDataPointer()
        n = frame_number(pixels)
        assert numpy.array_equal(pixels, drawing(n)), "frame %d" % n
        numbers.append(n)
        if len(numbers) == count:
            break
    assert numbers == list(range(numbers[0], numbers[0] + count)), numbers
    assert native.KyStream_AbortQueuedBuffers(stream).IsOK()
    while native.KyStream_GetQueuedBufferCount(stream) > 0:
        assert native.KyStream_RetrieveBuffer(stream, WAIT_MS)[0].IsOK()
    assert native.KyStream_Close(stream).IsOK()


def gst_caps(description):
    """GStreamer's caps of the description's video."""
    fmtp = {}
    payload = None
    for line in description.splitlines():
        if line.startswith("m=video "):
            payload = line.split()[3]
        if line.startswith("a=fmtp:%s " % payload):
            for item in line.split(" ", 1)[1].split(";"):
                name, _, value = item.strip().partition("=")
                fmtp[name] = value
    assert payload is not None and {"sampling", "width", "height", "depth", "colorimetry"} <= set(fmtp)
    return ("application/x-rtp,media=video,clock-rate=90000,encoding-name=RAW,payload=%s,sampling=%s,"
            "depth=(string)%s,width=(string)%s,height=(string)%s,colorimetry=(string)%s"
            % (payload, fmtp["sampling"], fmtp["depth"], fmtp["width"], fmtp["height"], fmtp["colorimetry"]))


def test_discovered_session_streams_pixel_exact_frames(camera, tmp_path):
    listener = SapListener()
    try:
        choose_rtp_and_start(camera)
        description = listener.next(deletion=False)
        assert "c=IN IP4 %s" % HOST in description and "m=video %d RTP/AVP 96" % PORT in description

        system = ky.KySystem()
        system.SetDetectionTimeout(3000)  # several of the device's announcements
        sessions = native.KySystem_DiscoverSessions(system)
        assert sessions >= 1
        record = ky.KySessionInfo()
        found = None
        for index in range(sessions):
            assert native.KySystem_GetSessionInfo(system, index, record).IsOK()
            if str(record.mName).endswith("stream channel 0"):
                found = (str(record.mAddress), record.mPort, str(record.mLocalAddress))
        assert found == (HOST, PORT, HOST), found
        assert native.KySystem_GetSessionInfo(system, sessions, record).GetCode() == ky.KY_NOT_FOUND

        stream = ky.KyStreamRTP()
        assert native.KyStreamRTP_PrepareFor(stream, WIDTH, HEIGHT, ky.KyPixelRGB8).IsOK()
        r = native.KyStreamRTP_Open(stream, found[2], found[1])
        assert r.IsOK(), str(r.GetDescription())
        receive_frames(stream, 6)

        if os.path.exists("/usr/bin/gst-launch-1.0"):
            frames = 6
            path = tmp_path / "gst.raw"
            # More frames than compared: the first may be joined in its middle (and identity
            # ends the stream as its last counted buffer arrives).
            gst = subprocess.Popen(
                ["gst-launch-1.0", "-q", "udpsrc", "address=%s" % HOST, "port=%d" % PORT,
                 "caps=%s" % gst_caps(description), "!", "rtpvrawdepay", "!", "identity",
                 "eos-after=%d" % (frames + 2), "!", "filesink", "location=%s" % path],
                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            _, err = gst.communicate(timeout=60)
            assert gst.returncode == 0, err.decode(errors="replace")
            data = numpy.fromfile(str(path), dtype=numpy.uint8)
            assert data.size % FRAME_SIZE == 0 and data.size // FRAME_SIZE > frames, data.size
            received = data.reshape(-1, HEIGHT, WIDTH, 3)[1:frames + 1]
            numbers = [frame_number(image) for image in received]
            assert numbers == list(range(numbers[0], numbers[0] + frames)), numbers
            for image, n in zip(received, numbers):
                assert numpy.array_equal(image, drawing(n)), "GStreamer's frame %d" % n

        assert native.KyDeviceGEV_WriteRegister(camera, ACQUISITION_STOP, 1).IsOK()
        assert "c=IN IP4 %s" % HOST in listener.next(deletion=True)
        assert native.KySystem_DiscoverSessions(system) == 0
    finally:
        listener.close()


def test_stream_opened_on_the_device_chooses_rtp(camera):
    params = native.KyDevice_GetParameters(camera)
    assert native.KyGenParameterArray_GetEnumValueString(params, "GevSCProtocol")[1] == "GVSP"
    stream = ky.KyStreamRTP()
    r = native.KyStreamRTP_Open(stream, DEVICE_IP)
    assert r.IsOK(), str(r.GetDescription())
    # The host address the device is reached from (in this namespace, where both ends are local,
    # the route may name the device's own address).
    local = str(native.KyStreamRTP_GetLocalIPAddress(stream))
    assert local in (HOST, DEVICE_IP)
    assert native.KyGenParameterArray_GetEnumValueString(params, "GevSCProtocol")[1] == "RTP"
    scda = native.KyGenParameterArray_GetIntegerValue(params, "GevSCDA")[1]
    assert socket.inet_ntoa(struct.pack("!I", scda)) == local
    assert native.KyGenParameterArray_GetIntegerValue(params, "GevSCPHostPort")[1] == \
        native.KyStreamRTP_GetLocalPort(stream)
    assert native.KyDeviceGEV_WriteRegister(camera, ACQUISITION_START, 1).IsOK()
    receive_frames(stream, 4)


def test_device_without_rtp_refuses_it():
    device = start_device(PLAIN_MAC, DrawingSource(), False)
    try:
        r, controller = native.KyDevice_CreateAndConnect(PLAIN_IP)
        assert r.IsOK(), str(r.GetDescription())
        try:
            params = native.KyDevice_GetParameters(controller)
            assert native.KyGenParameterArray_Get(params, "GevSCProtocol") is None
            stream = ky.KyStreamRTP()
            r = native.KyStreamRTP_Open(stream, PLAIN_IP)
            assert r.GetCode() == ky.KY_NOT_SUPPORTED and "offers no RTP" in str(r.GetDescription())
            assert native.KyStream_IsOpen(stream) is False
            # The register refuses RTP too.
            assert native.KyDeviceGEV_WriteRegister(controller, 0x3FFF1048, 1).IsFailure()
        finally:
            assert native.KyDevice_Disconnect(controller).IsOK()
    finally:
        assert native.KySoftDeviceGEV_Stop(device).GetCode() == ky.KY_OK
