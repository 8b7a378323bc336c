"""USB3 Vision devices on the simulated USB host controller: discovery beside the namespace's two
network adapters, KyDevice_CreateAndConnect handing out a KyDeviceU3V, the GUID, features read
and written through GenCP, new_KyDeviceU3V + KyDeviceU3V_Connect by the GUID as text, the
argument errors of KyDeviceU3V_Connect, and link loss when the device is unplugged. The cameras
are plugged into this process's own controller (simulated USB is in-process)."""
import re
import threading

import _tavro_python as native
import pytest
import tavro_python as ky
import tavro_testing as testing

from netns_helpers import wait_for

GUID = "00A0B0C0D0E0"

CONNECT_DISPATCH = ("Wrong number or type of arguments for overloaded function 'KyDeviceU3V_Connect'.\n"
                    "  Possible C/C++ prototypes are:\n"
                    "    KyDeviceU3V::Connect(KyString const &)\n"
                    "    KyDeviceU3V::Connect(KyDeviceInfo const *)\n")


@pytest.fixture
def u3v_camera():
    assert testing.PlugSoftU3v(GUID, "PyU3V-1", "PyU3V Model", 80, 60) == ky.KY_OK
    yield GUID
    testing.UnplugSoftU3v(GUID)


def controller_of(system):
    found = [system.GetInterface(i) for i in range(system.GetInterfaceCount())
             if system.GetInterface(i).GetType() == ky.KyInterfaceTypeUSBHostController]
    assert len(found) <= 1
    return found[0] if found else None


def test_find_lists_the_simulated_controller_beside_the_adapters(cameras, u3v_camera):
    system = ky.KySystem()
    assert system.Find().IsOK()
    kinds = [type(system.GetInterface(i)) for i in range(system.GetInterfaceCount())]
    assert kinds.count(ky.KyNetworkAdapter) >= 4
    controller = controller_of(system)
    assert type(controller) is ky.KyUSBHostController and not controller.thisown
    assert controller.GetSpeed() == ky.KyUSBSpeedSuper
    assert controller.GetDeviceCount() == 1
    info = controller.GetDeviceInfo(0)
    # Records reach Python down-cast only to KyDeviceInfoGEV: a USB3 Vision record is a KyDeviceInfo.
    assert type(info) is ky.KyDeviceInfo and not info.thisown
    assert info.GetType() == ky.KyDeviceInfoTypeU3V
    assert type(native.KyDeviceInfo_GetInterface(info)) is ky.KyUSBHostController
    assert str(info.GetSerialNumber()) == "PyU3V-1"
    assert str(info.GetModelName()) == "PyU3V Model"
    assert re.fullmatch("[0-9A-F]{12}", str(info.GetUniqueID()))
    assert str(info.GetConnectionID()) == GUID
    # The system's own list holds the record too.
    records = [system.GetDeviceInfo(i) for i in range(system.GetDeviceCount())]
    assert [r.GetType() for r in records].count(ky.KyDeviceInfoTypeU3V) == 1

    r, device = native.KyDevice_CreateAndConnect(info)
    assert r.IsOK(), str(r.GetDescription())
    assert type(device) is ky.KyDeviceU3V and not device.thisown
    guid = native.KyDeviceU3V_GetGUID(device)
    assert type(guid) is ky.KyString and str(guid) == GUID
    assert native.KyDevice_GetType(device) == ky.KyDeviceTypeU3V
    assert native.KyDevice_IsConnected(device) is True
    r, unique = native.KyDevice_GetUniqueID(device)
    assert r.IsOK() and unique == GUID
    native.KyDevice_Free(device)

    r, device = native.KyDevice_CreateAndConnect(GUID.lower())
    assert r.IsOK() and type(device) is ky.KyDeviceU3V
    native.KyDevice_Free(device)


def test_features_are_read_and_written_through_gencp(u3v_camera):
    r, device = native.KyDevice_CreateAndConnect(GUID)
    assert r.IsOK()
    params = native.KyDevice_GetParameters(device)
    r, width = native.KyGenParameterArray_GetIntegerValue(params, "Width")
    assert r.IsOK() and width == 80
    assert native.KyGenParameterArray_SetIntegerValue(params, "Width", 40).IsOK()
    r, payload = native.KyGenParameterArray_GetIntegerValue(params, "PayloadSize")
    assert r.IsOK() and payload == 40 * 60
    r, model = native.KyGenParameterArray_GetStringValue(params, "DeviceModelName")
    assert r.IsOK() and str(model) == "PyU3V Model"
    r, data = native.KyDevice_ReadMemory(device, 0x144, 8)  # the bootstrap's serial number
    assert r.IsOK() and bytes(data[:7]) == b"PyU3V-1"
    native.KyDevice_Free(device)


def test_new_device_connects_by_guid_text(u3v_camera):
    proxy = ky.KyDeviceU3V()
    assert proxy.thisown
    empty = native.KyDeviceU3V_GetGUID(proxy)
    assert type(empty) is ky.KyString and str(empty) == ""
    for text in (GUID, ky.KyString(GUID)):
        r = native.KyDeviceU3V_Connect(proxy, text)
        assert type(r) is ky.KyResult and r.IsOK(), str(r.GetDescription())
        assert str(native.KyDeviceU3V_GetGUID(proxy)) == GUID
        assert native.KyDevice_Disconnect(proxy).IsOK()
    assert native.KyDeviceU3V_Connect(proxy, "FFFFFFFFFFFF").GetCode() == ky.KY_NOT_FOUND
    assert native.KyDeviceU3V_Connect(proxy, None).GetCode() == ky.KY_INVALID_PARAMETER


@pytest.mark.parametrize("args, text", [
    ("int", CONNECT_DISPATCH),
    ("one", CONNECT_DISPATCH),
    ("gev-self", CONNECT_DISPATCH),
    ("three", "KyDeviceU3V_Connect expected at most 2 arguments, got 3\nAdditional information:\n"
     + CONNECT_DISPATCH),
])
def test_connect_argument_errors(args, text):
    proxy = ky.KyDeviceU3V()
    call = {"int": (proxy, 5), "one": (proxy,), "gev-self": (ky.KyDeviceGEV(), GUID),
            "three": (proxy, GUID, GUID)}[args]
    with pytest.raises(TypeError) as raised:
        native.KyDeviceU3V_Connect(*call)
    assert str(raised.value) == text


class LinkSink(ky.KyDeviceEventSink):
    def __init__(self):
        super().__init__()
        self.lock = threading.Lock()
        self.links = []
        self.events = []

    def OnLinkDisconnected(self, device):
        with self.lock:
            self.links.append(type(device))

    def OnEvent(self, device, eventID, channel, blockID, timestamp, data):
        with self.lock:
            self.events.append((eventID, bytes(data)))


def test_events_and_link_loss_reach_the_sink(u3v_camera):
    r, device = native.KyDevice_CreateAndConnect(GUID)
    assert r.IsOK()
    sink = LinkSink()
    assert native.KyDevice_RegisterEventSink(device, sink).IsOK()
    params = native.KyDevice_GetParameters(device)
    assert native.KyGenParameterArray_SetEnumValue(params, "EventSelector", "ExposureEnd")[0].IsOK()
    assert native.KyGenParameterArray_SetEnumValue(params, "EventNotification", "On")[0].IsOK()
    assert testing.RaiseSoftU3vEvent(GUID, 0x0004)
    assert wait_for(lambda: len(sink.events) == 1)
    assert sink.events == [(0x0004, b"\x55\xaa")]

    assert testing.UnplugSoftU3v(GUID) == ky.KY_OK
    assert wait_for(lambda: len(sink.links) == 1)
    assert sink.links == [ky.KyDevice]  # sinks get the device as the class they declare
    assert native.KyDevice_IsConnected(device) is False
    r, data = native.KyDevice_ReadMemory(device, 0, 4)
    assert r.GetCode() == ky.KY_NOT_CONNECTED
    r, width = native.KyGenParameterArray_GetIntegerValue(params, "Width")
    assert not r.IsOK()
    assert str(native.KyDeviceU3V_GetGUID(device)) == ""
    assert native.KyDevice_UnregisterEventSink(device, sink).IsOK()
    native.KyDevice_Free(device)
