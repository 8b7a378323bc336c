"""Device events from a device's own threads: message-channel events of a soft camera, link loss
when softcam dies, and command-link reads and writes."""
import threading

import _tavro_python as native
import tavro_testing as testing
import numpy
import pytest
import tavro_python as ky

from netns_helpers import CAMERA_1, SoftCameras, wait_for


class Sink(ky.KyDeviceEventSink):
    def __init__(self, raise_first=False):
        super().__init__()
        self.lock = threading.Lock()
        self.events = []
        self.links = []
        self.reads = []
        self.writes = []
        self.raise_first = raise_first

    def OnEvent(self, device, eventID, channel, blockID, timestamp, data):
        with self.lock:
            self.events.append((threading.get_ident(), type(device), eventID, channel, blockID, timestamp, data))
        if self.raise_first and len(self.events) == 1:
            raise ValueError("first event refused")

    def OnLinkDisconnected(self, device):
        with self.lock:
            self.links.append((threading.get_ident(), type(device)))

    def OnCmdLinkRead(self, transfer):
        self.reads.append(transfer)

    def OnCmdLinkWrite(self, transfer):
        self.writes.append(transfer)


@pytest.fixture
def event_camera():
    camera = testing.TestEventCamera()
    assert camera.Start("02:00:0a:0a:02:02", "10.10.2.3").IsOK()
    yield camera
    camera.Stop()


@pytest.fixture
def connected(event_camera):
    r, device = native.KyDevice_CreateAndConnect("10.10.2.3")
    assert r.IsOK(), str(r.GetDescription())
    assert wait_for(event_camera.IsChannelOpen)
    yield device
    native.KyDevice_Free(device)


def test_message_channel_events_reach_python_on_the_device_thread(event_camera, connected):
    sink = Sink()
    assert native.KyDevice_RegisterEventSink(connected, sink).IsOK()
    data = numpy.arange(8, dtype=numpy.uint8)
    assert event_camera.Fire(0x9001, 0x123456789A, data).IsOK()
    assert event_camera.Fire(0x9002, 0, numpy.zeros(0, numpy.uint8)).IsOK()
    assert wait_for(lambda: len(sink.events) == 2)
    assert native.KyDevice_UnregisterEventSink(connected, sink).IsOK()
    thread, device_type, event, channel, block, timestamp, payload = sink.events[0]
    assert thread != threading.get_ident()
    assert device_type is ky.KyDevice  # the declared class, not down-cast
    assert (event, channel) == (0x9001, 0xFFFF)
    assert block == 0x123456789A  # 64-bit block IDs
    assert type(timestamp) is int and timestamp >= 0
    assert payload.dtype == numpy.uint8 and payload.tolist() == list(range(8))
    assert sink.events[1][2] == 0x9002 and sink.events[1][6].shape == (0,)


def test_raising_override_is_printed_and_the_next_event_still_arrives(event_camera, connected, capfd):
    sink = Sink(raise_first=True)
    assert native.KyDevice_RegisterEventSink(connected, sink).IsOK()
    assert event_camera.Fire(0x9003, 1, [1, 2, 3, 4]).IsOK()
    assert event_camera.Fire(0x9004, 2, [5, 6, 7, 8]).IsOK()
    assert wait_for(lambda: len(sink.events) == 2)
    assert native.KyDevice_WaitForMessagingChannelIdle(connected, 5000).IsOK()
    native.KyDevice_UnregisterEventSink(connected, sink)
    assert [e[2] for e in sink.events] == [0x9003, 0x9004]
    assert "In method 'OnEvent': ValueError: first event refused\n" in capfd.readouterr().out


def test_command_link_reads_and_writes_reach_python(connected):
    sink = Sink()
    assert native.KyDevice_RegisterEventSink(connected, sink).IsOK()
    r, version = native.KyDevice_ReadMemory(connected, 0x0000, 4)
    assert r.IsOK()
    assert native.KyDevice_WriteMemory(connected, 0x00E8, [0x50, 0x59, 0, 0]).IsOK()
    native.KyDevice_UnregisterEventSink(connected, sink)
    reads = [t for t in sink.reads if t[1] == 0x0000]
    assert reads and reads[0][0].tolist() == version.tolist() and reads[0][0].dtype == numpy.uint8
    writes = [t for t in sink.writes if t[1] == 0x00E8]
    assert writes and writes[0][0].tolist() == [0x50, 0x59, 0, 0]


def test_killing_softcam_gives_link_disconnected():
    cams = SoftCameras(*CAMERA_1)
    try:
        r, device = native.KyDevice_CreateAndConnect("10.10.1.2")
        assert r.IsOK()
        sink = Sink()
        assert native.KyDevice_RegisterEventSink(device, sink).IsOK()
        cams.kill()
        assert wait_for(lambda: len(sink.links) == 1, seconds=30)  # bounded by the heartbeat time-out
        thread, device_type = sink.links[0]
        assert thread != threading.get_ident() and device_type is ky.KyDevice
        assert native.KyDevice_IsConnected(device) is False
        native.KyDevice_Free(device)
    finally:
        cams.stop()
