"""The soft device's TCP transport from Python, on adapter kyc2 (10.10.2.2): with the switch on, a
KyDeviceGEV that asks for TCP (link parameter TCPTransport) reads and writes features and gets
the device's events, a KyStreamGEV with the TCP data receiver gets the drawn frames pixel-exact,
and stopping the device is a link loss."""
import threading

import _tavro_python as native
import pytest
import tavro_python as ky

from netns_helpers import wait_for
from source_helpers import DrawingDefaultSource, check_frame

MAC = "02:00:0a:0a:02:02"
IP = "10.10.2.2"
WIDTH, HEIGHT = 200, 100
WAIT_MS = 10000
FRAMES = 10


class Sink(ky.KyDeviceEventSink):
    def __init__(self):
        super().__init__()
        self.lock = threading.Lock()
        self.events = []
        self.losses = 0

    def OnEvent(self, device, eventID, channel, blockID, timestamp, data):
        with self.lock:
            self.events.append((eventID, blockID))

    def OnLinkDisconnected(self, device):
        with self.lock:
            self.losses += 1


@pytest.fixture
def camera():
    source = DrawingDefaultSource(WIDTH, HEIGHT)
    device = ky.KySoftDeviceGEV()
    assert native.KySoftDeviceGEV_SetTCPTransportEnabled(device, True).GetCode() == ky.KY_OK
    assert native.KySoftDeviceGEV_AddStream(device, source).GetCode() == ky.KY_OK
    result = native.KySoftDeviceGEV_Start(device, MAC)
    assert result.GetCode() == ky.KY_OK, str(result.GetDescription())
    yield device, source
    if native.KySoftDeviceGEV_GetRegisterMap(device) is not None:
        assert native.KySoftDeviceGEV_Stop(device).GetCode() == ky.KY_OK


@pytest.fixture
def controller(camera):
    device = ky.KyDeviceGEV()
    sink = Sink()
    link = native.KyDevice_GetCommunicationParameters(device)
    assert native.KyGenParameterArray_SetBooleanValue(link, "TCPTransport", True).IsOK()
    assert native.KyDevice_RegisterEventSink(device, sink).IsOK()
    result = native.KyDeviceGEV_Connect(device, IP)
    assert result.IsOK(), str(result.GetDescription())
    yield device, sink
    native.KyDevice_Disconnect(device)
    native.KyDevice_UnregisterEventSink(device, sink)


def test_features_and_events_over_tcp(camera, controller):
    soft, source = camera
    device, sink = controller
    params = native.KyDevice_GetParameters(device)
    assert native.KyGenParameterArray_SetIntegerValue(params, "Width", 160).IsOK()
    r, width = native.KyGenParameterArray_GetIntegerValue(params, "Width")
    assert r.IsOK() and width == 160 and source.GetWidth() == 160
    channel = native.KySoftDeviceGEV_GetMessagingChannel(soft)
    assert wait_for(lambda: native.IKyMessageChannel_IsOpened(channel) is True)
    for i in range(3):
        assert native.IKyMessageChannel_FireEvent(channel, 0x9000 + i, 40 + i).GetCode() == ky.KY_OK
    assert wait_for(lambda: len(sink.events) == 3)
    assert sink.events == [(0x9000 + i, 40 + i) for i in range(3)]
    assert sink.losses == 0


def test_stream_over_tcp_is_pixel_exact(controller):
    device, _ = controller
    stream = ky.KyStreamGEV()
    stream_params = native.KyStream_GetParameters(stream)
    assert native.KyGenParameterArray_SetIntegerValue(stream_params, "DataReceiverType",
                                                      ky.KyDataReceiverTypeTCP).IsOK()
    assert native.KyStreamGEV_Open(stream, IP, 0).IsOK()
    assert native.KyStreamGEV_GetDataReceiverType(stream) == ky.KyDataReceiverTypeTCP
    buffers = []
    for _ in range(8):
        buffers.append(ky.KyBuffer(ky.KyPayloadTypeImage))
        assert buffers[-1].Alloc(WIDTH * HEIGHT).IsOK()
        assert native.KyStream_QueueBuffer(stream, buffers[-1]).GetCode() == ky.KY_PENDING
    ip = native.KyStreamGEV_GetLocalIPAddress(stream)
    port = native.KyStreamGEV_GetLocalPort(stream)
    assert native.KyDeviceGEV_SetStreamDestination(device, ip, port).IsOK()
    params = native.KyDevice_GetParameters(device)
    assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStart").IsOK()
    numbers = []
    for _ in range(FRAMES):
        r, buffer, operation = native.KyStream_RetrieveBuffer(stream, WAIT_MS)
        assert r.IsOK() and operation.IsOK(), str(operation.GetDescription())
        numbers.append(check_frame(buffer.GetImage().GetDataPointer(), WIDTH, HEIGHT, ky.KyPixelMono8))
        assert native.KyStream_QueueBuffer(stream, buffer).GetCode() == ky.KY_PENDING
    assert numbers == list(range(numbers[0], numbers[0] + FRAMES))
    r, resends = native.KyGenParameterArray_GetIntegerValue(stream_params, "ResendRequests")
    assert r.IsOK() and resends == 0
    assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStop").IsOK()
    assert native.KyStream_AbortQueuedBuffers(stream).IsOK()
    while native.KyStream_GetQueuedBufferCount(stream) > 0:
        r, buffer, operation = native.KyStream_RetrieveBuffer(stream, WAIT_MS)
        assert r.IsOK()
    assert native.KyStream_Close(stream).IsOK()


def test_stopping_the_device_is_a_link_loss(camera, controller):
    soft, _ = camera
    device, sink = controller
    assert native.KySoftDeviceGEV_Stop(soft).GetCode() == ky.KY_OK
    assert wait_for(lambda: sink.losses == 1)
    assert native.KyDevice_IsConnected(device) is False
