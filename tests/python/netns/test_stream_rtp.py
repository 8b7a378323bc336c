"""The RTP stream against GStreamer: uncompressed frames (RGB, BGR, RGBA, BGRA, UYVY) sent by
rtpvrawpay over UDP unicast and multicast, and over TCP (rtpstreampay, tcpserversink), arrive
complete and pixel-exact against the same test pattern that GStreamer writes to a file, also
through a pipeline; H.264 from x264enc and rtph264pay arrives as whole access units that
avdec_h264, given one unit per buffer, decodes to frames of the sent size. Every GStreamer run is
bounded by its buffer count and a time-out."""
import os
import subprocess
import time

import numpy
import pytest

import _tavro_python as native
import tavro_python as ky

import netns_helpers

WIDTH, HEIGHT = 160, 120
FRAMES = 12
WAIT_MS = 10000  # bound of every wait; only a hang reaches it
HOST = "10.10.1.1"    # the receiving adapter (kyh1)
SENDER = "10.10.1.2"  # GStreamer's side of the link (kyc1)
GROUP = "239.255.23.1"
# A moving pattern, so that every frame differs from the next.
PATTERN = "videotestsrc pattern=smpte horizontal-speed=5 num-buffers=%d"

if not os.path.exists("/usr/bin/gst-launch-1.0"):
    pytest.skip("GStreamer's gst-launch-1.0 is not installed (scripts/install-deps --tests)", allow_module_level=True)


def gst(pipeline, **kwargs):
    """Starts gst-launch-1.0 on a pipeline description."""
    return subprocess.Popen(["gst-launch-1.0", "-q"] + pipeline.split(), stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, **kwargs)


def finish(process, seconds=60):
    _, err = process.communicate(timeout=seconds)
    assert process.returncode == 0, err.decode(errors="replace")


def caps(fmt, framerate=True):
    rate = ",framerate=30/1" if framerate else ""
    return "video/x-raw,format=%s,width=%d,height=%d%s" % (fmt, WIDTH, HEIGHT, rate)


# GStreamer's formats and the pixel types they arrive as, with bytes per pixel.
FORMATS = {
    "RGB": ("KyPixelRGB8", 3),
    "BGR": ("KyPixelBGR8", 3),
    "RGBA": ("KyPixelRGBa8", 4),
    "BGRA": ("KyPixelBGRa8", 4),
    "UYVY": ("KyPixelYUV422_8_UYVY", 2),
}


@pytest.fixture(scope="module")
def references(tmp_path_factory):
    """GStreamer's own frames of the pattern, read back from a file: one row of bytes per frame."""
    made = {}

    def reference(fmt, frames=FRAMES):
        if (fmt, frames) not in made:
            path = tmp_path_factory.mktemp("rtp") / ("reference-%s-%d.raw" % (fmt, frames))
            finish(gst("%s ! %s ! filesink location=%s" % (PATTERN % frames, caps(fmt), path)))
            data = numpy.fromfile(str(path), dtype=numpy.uint8)
            assert data.size == frames * HEIGHT * WIDTH * FORMATS[fmt][1]
            made[fmt, frames] = data.reshape(frames, -1)
        return made[fmt, frames]
    return reference


@pytest.fixture(scope="module")
def reference(references):
    """The RGB frames as (frames, HEIGHT, WIDTH, 3); three times as many for the TCP test, which
    joins a running sender."""
    return references("RGB", 3 * FRAMES).reshape(3 * FRAMES, HEIGHT, WIDTH, 3)


@pytest.fixture(scope="module", autouse=True)
def accept_local_sources():
    yield from netns_helpers.accept_local_sources("kyh1", "kyc1")


def new_buffers(count, size):
    buffers = []
    for _ in range(count):
        b = ky.KyBuffer(ky.KyPayloadTypeImage)
        assert b.Alloc(size).IsOK()
        buffers.append(b)
    return buffers


def queue(stream, buffers):
    for b in buffers:
        assert native.KyStream_QueueBuffer(stream, b).GetCode() == ky.KY_PENDING


def drain(stream):
    assert native.KyStream_AbortQueuedBuffers(stream).IsOK()
    while native.KyStream_GetQueuedBufferCount(stream) > 0:
        r, buffer, _ = native.KyStream_RetrieveBuffer(stream, WAIT_MS)
        assert r.IsOK() and buffer is not None
    assert native.KyStream_Close(stream).IsOK()


def retrieve(stream):
    got = native.KyStream_RetrieveBuffer(stream, WAIT_MS)
    assert type(got) is list and len(got) == 3
    r, buffer, operation = got
    assert r.IsOK(), str(r.GetDescription())
    return buffer, operation


def pixels(buffer):
    image = buffer.GetImage()
    assert image is not None
    assert (image.GetWidth(), image.GetHeight(), image.GetPixelType()) == (WIDTH, HEIGHT, native.KyPixelRGB8)
    view = image.GetDataPointer()
    assert view.shape == (HEIGHT, WIDTH, 3) and view.dtype == numpy.uint8
    return view


def receive_all(stream, buffers, reference):
    """FRAMES frames in order, each complete and equal to GStreamer's frame of the same number."""
    for n in range(FRAMES):
        buffer, operation = retrieve(stream)
        assert operation.GetCode() == ky.KY_OK, str(operation.GetDescription())
        assert buffer in buffers and not buffer.thisown
        assert buffer.GetPayloadType() == ky.KyPayloadTypeImage
        assert numpy.array_equal(pixels(buffer), reference[n]), "frame %d" % n
    assert native.KyGenParameterArray_GetIntegerValue(native.KyStream_GetParameters(stream), "LostPacketCount")[1] == 0


def raw_sender(sink):
    return gst("%s ! %s ! rtpvrawpay ! %s" % (PATTERN % FRAMES, caps("RGB"), sink))


@pytest.mark.parametrize("fmt", sorted(FORMATS))
def test_unicast_frames_pixel_exact(references, fmt):
    pixel_type, pixel_bytes = getattr(native, FORMATS[fmt][0]), FORMATS[fmt][1]
    frame_size = WIDTH * HEIGHT * pixel_bytes
    expected = references(fmt)
    stream = ky.KyStreamRTP()
    assert native.KyStreamRTP_PrepareFor(stream, WIDTH, HEIGHT, pixel_type).IsOK()
    assert native.KyStreamRTP_Open(stream, HOST, 0).IsOK()
    port = native.KyStreamRTP_GetLocalPort(stream)
    assert port != 0 and str(native.KyStreamRTP_GetLocalIPAddress(stream)) == HOST
    buffers = new_buffers(FRAMES + 4, frame_size)
    queue(stream, buffers)
    sender = gst("%s ! %s ! rtpvrawpay ! udpsink host=%s port=%d bind-address=%s"
                 % (PATTERN % FRAMES, caps(fmt), HOST, port, SENDER))
    for n in range(FRAMES):
        buffer, operation = retrieve(stream)
        assert operation.GetCode() == ky.KY_OK, str(operation.GetDescription())
        assert buffer in buffers and not buffer.thisown
        image = buffer.GetImage()
        assert (image.GetWidth(), image.GetHeight(), image.GetPixelType()) == (WIDTH, HEIGHT, pixel_type)
        assert buffer.GetAcquiredSize() == frame_size
        assert numpy.array_equal(buffer.GetDataPointer()[:frame_size], expected[n]), "frame %d" % n
    finish(sender)
    drain(stream)


def test_multicast_frames_pixel_exact(reference):
    port = 20710
    streams = [ky.KyStreamRTP(), ky.KyStreamRTP()]
    buffers = new_buffers(2 * (FRAMES + 4), WIDTH * HEIGHT * 3)
    for i, stream in enumerate(streams):
        assert native.KyStreamRTP_PrepareFor(stream, WIDTH, HEIGHT, native.KyPixelRGB8, 0).IsOK()
        r = native.KyStreamRTP_Open(stream, GROUP, port, HOST)
        assert r.IsOK(), str(r.GetDescription())
        assert str(native.KyStreamRTP_GetMulticastIPAddress(stream)) == GROUP
        queue(stream, buffers[i::2])
    sender = raw_sender("udpsink host=%s port=%d multicast-iface=kyc1 bind-address=%s auto-multicast=false"
                        % (GROUP, port, SENDER))
    for i, stream in enumerate(streams):
        receive_all(stream, buffers[i::2], reference)
    finish(sender)
    for stream in streams:
        drain(stream)


def test_tcp_frames_pixel_exact(reference):
    port = 20720
    # A live source, so that the server sends at the frame rate while the receiver connects.
    server = gst("%s is-live=true ! %s ! rtpvrawpay ! rtpstreampay ! tcpserversink host=127.0.0.1 port=%d"
                 % (PATTERN % (3 * FRAMES), caps("RGB"), port))
    try:
        stream = ky.KyStreamRTP()
        assert native.KyStreamRTP_PrepareFor(stream, WIDTH, HEIGHT, native.KyPixelRGB8).IsOK()
        buffers = new_buffers(3 * FRAMES, WIDTH * HEIGHT * 3)
        for _ in range(200):  # until the server listens (bounded)
            r = native.KyStreamRTP_OpenTCP(stream, "127.0.0.1", port)
            if r.IsOK():
                break
            assert r.GetCode() == ky.KY_NOT_CONNECTED, str(r.GetDescription())
            time.sleep(0.05)
        assert r.IsOK(), str(r.GetDescription())
        assert str(native.KyStreamRTP_GetTCPServerIPAddress(stream)) == "127.0.0.1"
        assert native.KyStreamRTP_GetTCPServerPort(stream) == port
        queue(stream, buffers)
        # The receiver joins the stream at some frame: the first frame may be cut, and the
        # frames from the first whole one on follow GStreamer's in order.
        first = None
        got = []
        while len(got) < FRAMES:
            buffer, operation = retrieve(stream)
            if first is None and operation.GetCode() != ky.KY_OK:
                continue
            assert operation.GetCode() == ky.KY_OK, str(operation.GetDescription())
            view = pixels(buffer)
            if first is None:
                matches = [n for n in range(len(reference)) if numpy.array_equal(view, reference[n])]
                assert matches, "the first whole frame is none of GStreamer's"
                first = matches[0]
            got.append(numpy.array(view))
        for i, frame in enumerate(got):
            assert numpy.array_equal(frame, reference[first + i]), "frame %d" % (first + i)
        drain(stream)
    finally:
        server.kill()
        server.communicate(timeout=30)


def test_h264_access_units_decode(tmp_path):
    units = FRAMES
    stream = ky.KyStreamRTP()
    assert native.KyStreamRTP_PrepareForH264(stream).IsOK()
    assert native.KyStreamRTP_Open(stream, "127.0.0.1", 0).IsOK()
    port = native.KyStreamRTP_GetLocalPort(stream)
    buffers = new_buffers(units + 4, 1 << 20)
    queue(stream, buffers)
    sender = gst("%s ! %s ! x264enc tune=zerolatency key-int-max=4 ! rtph264pay config-interval=-1 mtu=1000 ! "
                 "udpsink host=127.0.0.1 port=%d" % (PATTERN % units, caps("I420"), port))
    # Each access unit in a file of its own: the decoder gets exactly one unit per buffer, so it
    # decodes a frame from each only if each is whole.
    for n in range(units):
        buffer, operation = retrieve(stream)
        assert operation.GetCode() == ky.KY_OK, str(operation.GetDescription())
        assert buffer.GetPayloadType() == ky.KyPayloadTypeH264
        assert buffer.GetImage() is None
        unit = numpy.array(buffer.GetDataPointer()[:buffer.GetAcquiredSize()])
        assert bytes(unit[:4]) == b"\0\0\0\1", "unit %d starts with a start code" % n
        unit.tofile(str(tmp_path / ("unit-%05d.h264" % n)))
    finish(sender)
    drain(stream)
    decoded = tmp_path / "decoded.yuv"
    finish(gst("multifilesrc location=%s index=0 stop-index=%d "
               "caps=video/x-h264,stream-format=(string)byte-stream,alignment=(string)au ! avdec_h264 ! "
               "videoconvert ! %s ! filesink location=%s"
               % (tmp_path / "unit-%05d.h264", units - 1, caps("I420", framerate=False), decoded)))
    frame_size = WIDTH * HEIGHT * 3 // 2
    # One decoded frame per unit, each of the sent size (the caps filter above refuses any other).
    assert os.path.getsize(str(decoded)) == units * frame_size
    # And each close to the frame that was encoded, in order (the encoder loses a little; the
    # pattern moves, so neighbouring frames differ by about 20 on average).
    sent = tmp_path / "sent.yuv"
    finish(gst("%s ! %s ! filesink location=%s" % (PATTERN % units, caps("I420", framerate=False), sent)))
    luma = WIDTH * HEIGHT
    got = numpy.fromfile(str(decoded), dtype=numpy.uint8).reshape(units, frame_size)[:, :luma].astype(int)
    want = numpy.fromfile(str(sent), dtype=numpy.uint8).reshape(units, frame_size)[:, :luma].astype(int)
    errors = numpy.abs(got - want).mean(axis=1)
    assert (errors < 4).all(), errors


def test_pipeline_over_the_rtp_stream(reference):
    stream = ky.KyStreamRTP()
    assert native.KyStreamRTP_PrepareFor(stream, WIDTH, HEIGHT, native.KyPixelRGB8).IsOK()
    assert native.KyStreamRTP_Open(stream, HOST, 0).IsOK()
    pipeline = ky.KyPipeline(stream)
    native.KyPipeline_SetBufferSize(pipeline, WIDTH * HEIGHT * 3)
    # More buffers than frames: a pipeline lets its oldest output go when the stream runs short.
    count = FRAMES + 4
    assert native.KyPipeline_SetBufferCount(pipeline, count).IsOK()
    assert native.KyPipeline_Start(pipeline).IsOK()
    for _ in range(500):  # the pipeline queues its buffers on its own thread (bounded wait)
        if native.KyStream_GetQueuedBufferCount(stream) == count:
            break
        time.sleep(0.01)
    assert native.KyStream_GetQueuedBufferCount(stream) == count
    sender = raw_sender("udpsink host=%s port=%d bind-address=%s"
                        % (HOST, native.KyStreamRTP_GetLocalPort(stream), SENDER))
    for n in range(FRAMES):
        got = native.KyPipeline_RetrieveNextBuffer(pipeline, WAIT_MS)
        assert type(got) is tuple and len(got) == 3
        r, buffer, operation = got
        assert r.IsOK() and operation.IsOK(), str(operation.GetDescription())
        assert numpy.array_equal(pixels(buffer), reference[n]), "frame %d" % n
        assert native.KyPipeline_ReleaseBuffer(pipeline, buffer).IsOK()
    finish(sender)
    assert native.KyPipeline_Stop(pipeline).IsOK()
    assert native.KyStream_Close(stream).IsOK()
