"""The hooks of Python streaming channel sources, recorded with the thread each came on: the
creation hooks and AllocBuffer inside Start on the thread calling Start; OnOpen and OnClose on the
device's control thread when a controller sets and clears the destination; OnStreamingStart,
AbortQueuedBuffers and OnStreamingStop on the channel's own thread; and when the device stops
while the channel streams, OnStreamingStop on the channel's thread, then OnClose and FreeBuffer on
the thread calling Stop."""
import threading

import pytest

import _tavro_python as native
from source_helpers import DrawingDefaultSource, DrawingSource, start_device

LOOPBACK_MAC, LOOPBACK_IP = "00:00:00:00:00:00", "127.0.0.1"
STREAM_PORT = 50000  # nobody listens: the frames are not what these tests look at
ACQUISITION = ("AcquisitionStart", "AcquisitionStop")
LIFE = ("CreateRegisters", "CreateGenApiFeatures", "AllocBuffer", "OnOpen", "OnStreamingStart",
        "OnStreamingStop", "AbortQueuedBuffers", "OnClose", "FreeBuffer")

SOURCES = [pytest.param(lambda: DrawingDefaultSource(64, 48), id="default-subclass"),
           pytest.param(lambda: DrawingSource(64, 48), id="interface")]


def milestones(source):
    """The recorded calls of LIFE, runs of one name kept once."""
    out = []
    for call in source.rec.calls:
        if call.name in LIFE and (not out or out[-1].name != call.name):
            out.append(call)
    return out


def threads_of(calls, name):
    return {c.thread for c in calls if c.name == name}


def controller():
    r, device = native.KyDevice_CreateAndConnect(LOOPBACK_IP)
    assert r.IsOK(), str(r.GetDescription())
    return device, native.KyDevice_GetParameters(device)


@pytest.mark.parametrize("make", SOURCES)
def test_hooks_of_a_controllers_session(make):
    source = make()
    main = threading.get_ident()
    soft = start_device(source, LOOPBACK_MAC)
    try:
        device, params = controller()
        assert native.KyDeviceGEV_SetStreamDestination(device, LOOPBACK_IP, STREAM_PORT).IsOK()
        assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStart").IsOK()
        assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStop").IsOK()
        assert native.KyDeviceGEV_ResetStreamDestination(device).IsOK()
        native.KyDevice_Free(device)
    finally:
        assert native.KySoftDeviceGEV_Stop(soft).IsOK()
    calls = milestones(source)
    assert [c.name for c in calls] == list(LIFE), [c.name for c in calls]
    # Inside Start and Stop: the calling thread.
    for name in ("CreateRegisters", "CreateGenApiFeatures", "AllocBuffer", "FreeBuffer"):
        assert threads_of(calls, name) == {main}, name
    # The controller's writes: the device's control thread.
    control = threads_of(calls, "OnOpen")
    assert len(control) == 1 and main not in control
    # Streaming: the channel's own thread, another than the control thread.
    channel = threads_of(calls, "OnStreamingStart")
    assert len(channel) == 1 and not channel & (control | {main})
    closing = threads_of(calls, "OnClose")
    assert len(closing) == 1 and not closing & (channel | {main})
    assert threads_of(calls, "AbortQueuedBuffers") == channel
    assert threads_of(calls, "OnStreamingStop") == channel


@pytest.mark.parametrize("make", SOURCES)
def test_hooks_when_the_device_stops_while_streaming(make):
    source = make()
    main = threading.get_ident()
    soft = start_device(source, LOOPBACK_MAC)
    device, params = controller()
    try:
        assert native.KyDeviceGEV_SetStreamDestination(device, LOOPBACK_IP, STREAM_PORT).IsOK()
        assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStart").IsOK()
    finally:
        assert native.KySoftDeviceGEV_Stop(soft).IsOK()
    native.KyDevice_Free(device)
    calls = milestones(source)
    assert [c.name for c in calls] == list(LIFE), [c.name for c in calls]
    channel = threads_of(calls, "OnStreamingStart")
    assert main not in channel
    assert threads_of(calls, "OnStreamingStop") == channel
    # Stop closes the channel and hands the buffers back on its own thread.
    assert threads_of(calls, "OnClose") == {main}
    assert threads_of(calls, "FreeBuffer") == {main}
