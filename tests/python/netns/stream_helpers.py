"""Helpers of the stream tests: soft cameras that stream a known pattern, their acquisition
registers, and the pattern itself."""
import numpy

import _tavro_python as native
import tavro_python as ky

# softcam's stream features of channel 0 (a non-zero write starts or stops streaming).
ACQUISITION_START = 0x3FFF101C
ACQUISITION_STOP = 0x3FFF1020

WIDTH, HEIGHT = 320, 240
PLAIN_IP = "10.10.1.3"  # streams every packet
LOSSY_IP = "10.10.1.4"  # leaves out a few per cent of its stream packets
STREAM_CAMERAS = [
    "--adapter", "kyc1", "--ip", PLAIN_IP, "--model", "PyStreamPlain", "--serial", "PS0003",
    "--pixel-format", "Mono8", "--width", str(WIDTH), "--height", str(HEIGHT), "--fps", "30",
    "--adapter", "kyc1", "--ip", LOSSY_IP, "--model", "PyStreamLossy", "--serial", "PS0004",
    "--pixel-format", "Mono8", "--width", str(WIDTH), "--height", str(HEIGHT), "--fps", "60",
    "--test-drop", "0.05",
]

_X = numpy.arange(WIDTH, dtype=numpy.uint32)[numpy.newaxis, :]
_Y = numpy.arange(HEIGHT, dtype=numpy.uint32)[:, numpy.newaxis]


def pattern(frame):
    """softcam's test pattern of a frame: (x + 3y + 5n + ((x ^ y) >> 4)) mod 256."""
    return ((_X + 3 * _Y + 5 * frame + ((_X ^ _Y) >> 4)) % 256).astype(numpy.uint8)


def connect(ip):
    r, device = native.KyDevice_CreateAndConnect(ip)
    assert r.IsOK(), str(r.GetDescription())
    return device


def start(device, stream):
    """Aims the camera at a unicast stream and starts it."""
    ip = native.KyStreamGEV_GetLocalIPAddress(stream)
    port = native.KyStreamGEV_GetLocalPort(stream)
    assert native.KyDeviceGEV_SetStreamDestination(device, ip, port).IsOK()
    assert native.KyDeviceGEV_WriteRegister(device, ACQUISITION_START, 1).IsOK()


def stop(device):
    assert native.KyDeviceGEV_WriteRegister(device, ACQUISITION_STOP, 1).IsOK()


def new_buffers(count, size=WIDTH * HEIGHT):
    buffers = []
    for _ in range(count):
        b = ky.KyBuffer(ky.KyPayloadTypeImage)
        assert b.Alloc(size).IsOK()
        buffers.append(b)
    return buffers


def drain(stream):
    """Aborts a stream and retrieves every buffer it held; gives their operation codes."""
    assert native.KyStream_AbortQueuedBuffers(stream).IsOK()
    codes = []
    while native.KyStream_GetQueuedBufferCount(stream) > 0:
        r, buffer, operation = native.KyStream_RetrieveBuffer(stream, 5000)
        assert r.IsOK() and buffer is not None
        codes.append(operation.GetCode())
    return codes
