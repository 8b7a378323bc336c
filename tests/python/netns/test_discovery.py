"""Discovery: KySystem, interfaces, device records, session and IP records, with soft cameras."""
import threading

import _tavro_python as native
import pytest
import tavro_python as ky

from netns_helpers import find_until, wait_for


@pytest.fixture(scope="module")
def system(cameras):
    s = ky.KySystem()
    assert find_until(s, lambda: all(answered(adapter_with(s, host)) for host in ("10.10.1.1", "10.10.2.1")))
    return s


def answered(adapter):
    return adapter is not None and adapter.GetDeviceCount() > 0


def adapter_with(system, address):
    for i in range(system.GetInterfaceCount()):
        interface = system.GetInterface(i)
        if isinstance(interface, ky.KyNetworkAdapter) and any(
                str(interface.GetIPAddress(k)) == address for k in range(interface.GetIPAddressCount())):
            return interface
    return None


def devices_of(interface):
    return [interface.GetDeviceInfo(j) for j in range(interface.GetDeviceCount())]


def test_interfaces_are_network_adapters_with_their_addresses(system):
    count = system.GetInterfaceCount()
    assert count >= 4  # kyh1, kyc1, kyh2, kyc2 (and the loopback adapter)
    interfaces = [system.GetInterface(i) for i in range(count)]
    assert all(type(i) is ky.KyNetworkAdapter for i in interfaces)
    host1 = adapter_with(system, "10.10.1.1")
    assert str(host1.GetName()) == "kyh1"
    assert str(host1.GetMACAddress()) == "02:00:0a:0a:01:01"
    assert host1.GetType() == ky.KyInterfaceTypeNetworkAdapter
    assert str(host1.GetSubnetMask(0)) == "255.255.255.0"
    camera_side = adapter_with(system, "10.10.1.2")
    addresses = [str(camera_side.GetIPAddress(k)) for k in range(camera_side.GetIPAddressCount())]
    masks = [str(camera_side.GetSubnetMask(k)) for k in range(camera_side.GetIPAddressCount())]
    assert addresses == ["10.10.1.2", "10.10.1.3", "10.10.1.4"] and masks == ["255.255.255.0"] * 3
    # texts come back as owned KyString objects
    name = host1.GetName()
    assert isinstance(name, ky.KyString) and name.thisown


@pytest.mark.parametrize("host,camera_ip,mac,serial", [
    ("10.10.1.1", "10.10.1.2", "02:00:0a:0a:01:02", "PA0001"),
    ("10.10.2.1", "10.10.2.2", "02:00:0a:0a:02:02", "PB0002"),
])
def test_each_camera_appears_under_the_adapter_it_answered_on(system, host, camera_ip, mac, serial):
    adapter = adapter_with(system, host)
    found = [d for d in devices_of(adapter) if str(d.GetSerialNumber()) == serial]
    assert len(found) == 1
    info = found[0]
    assert type(info) is ky.KyDeviceInfoGEV and not info.thisown
    assert str(info.GetMACAddress()) == mac
    assert str(info.GetIPAddress()) == camera_ip
    assert str(info.GetSubnetMask()) == "255.255.255.0"
    version = info.GetGEVVersion()
    assert version >> 16 == 2 and (version & 0xFFFF) in (0, 1, 2)
    assert info.GetType() == ky.KyDeviceInfoTypeGEV
    assert str(info.GetConnectionID()) == camera_ip
    assert info.IsDHCPAvailable() and info.IsPersistentAvailable() and info.IsLLAAvailable()
    assert info.IsLLAEnabled() is True
    assert type(info.IsDHCPEnabled()) is bool and type(info.IsPersistentEnabled()) is bool
    assert "DHCP" in str(info.GetIPConfigOptionsString())
    # the record's interface is that adapter, down-cast
    interface = info.GetInterface()
    assert type(interface) is ky.KyNetworkAdapter and str(interface.GetUniqueID()) == str(adapter.GetUniqueID())
    # the system's flat list holds the same record
    flat = [system.GetDeviceInfo(k) for k in range(system.GetDeviceCount())]
    assert [str(d.GetUniqueID()) for d in flat].count(str(info.GetUniqueID())) == 1


INDEX_ERRORS = [
    # (case name, function, index, exception, text)
    ("interface-negative", native.KySystem_GetInterface, -1, OverflowError,
     "in method 'KySystem_GetInterface', argument 2 of type 'uint32_t'"),
    ("interface-float", native.KySystem_GetInterface, 1.0, TypeError,
     "in method 'KySystem_GetInterface', argument 2 of type 'uint32_t'"),
    ("device-too-big", native.KySystem_GetDeviceInfo, 2 ** 32, OverflowError,
     "in method 'KySystem_GetDeviceInfo', argument 2 of type 'uint32_t'"),
    ("device-float", native.KySystem_GetDeviceInfo, 0.0, TypeError,
     "in method 'KySystem_GetDeviceInfo', argument 2 of type 'uint32_t'"),
]


@pytest.mark.parametrize("function,index,error,text", [c[1:] for c in INDEX_ERRORS], ids=[c[0] for c in INDEX_ERRORS])
def test_index_arguments(system, function, index, error, text):
    with pytest.raises(error) as raised:
        function(system, index)
    assert str(raised.value) == text


def test_index_at_the_count_gives_none(system):
    assert system.GetInterface(system.GetInterfaceCount()) is None
    assert system.GetDeviceInfo(system.GetDeviceCount()) is None
    adapter = adapter_with(system, "10.10.1.1")
    assert adapter.GetDeviceInfo(adapter.GetDeviceCount()) is None
    with pytest.raises(OverflowError) as raised:
        native.KyInterface_GetDeviceInfo(adapter, -1)
    assert str(raised.value) == "in method 'KyInterface_GetDeviceInfo', argument 2 of type 'uint32_t'"


def test_copies_are_plain_base_records_freed_only_by_delete(system):
    adapter = adapter_with(system, "10.10.1.1")
    info = devices_of(adapter)[0]
    copy = native.KyDeviceInfo_Copy(info)
    assert type(copy) is ky.KyDeviceInfo and not copy.thisown
    assert str(native.KyDeviceInfo_GetSerialNumber(copy)) == str(info.GetSerialNumber())
    assert native.KyDeviceInfo_GetInterface(copy) is None
    with pytest.raises(TypeError) as raised:
        native.KyDeviceInfoGEV_GetIPAddress(copy)
    assert str(raised.value) == "in method 'KyDeviceInfoGEV_GetIPAddress', argument 1 of type 'KyDeviceInfoGEV const *'"
    assert native.delete_KyDeviceInfo(copy) is None
    interface_copy = native.KyInterface_Copy(adapter)
    assert type(interface_copy) is ky.KyInterface
    assert str(native.KyInterface_GetName(interface_copy)) == "kyh1"
    with pytest.raises(TypeError) as raised:
        native.KyNetworkAdapter_GetMACAddress(interface_copy)
    assert str(raised.value) == ("in method 'KyNetworkAdapter_GetMACAddress', argument 1 of type "
                                 "'KyNetworkAdapter const *'")
    assert native.delete_KyInterface(interface_copy) is None


def test_system_settings_and_versions():
    s = ky.KySystem()
    s.SetDetectionTimeout(0)
    assert s.GetDetectionTimeout() == 0
    s.SetDetectionTimeout(1500)
    assert s.GetDetectionTimeout() == 1500
    with pytest.raises(OverflowError):
        native.KySystem_SetDetectionTimeout(s, 2 ** 32)
    with pytest.raises(TypeError) as raised:
        native.KySystem_SetSubnetBroadcastEnabled(s, 1)
    assert str(raised.value) == "in method 'KySystem_SetSubnetBroadcastEnabled', argument 2 of type 'bool'"
    s.SetSubnetBroadcastEnabled(True)
    assert s.GetSubnetBroadcastEnabled() is True
    assert s.GetGEVSupportedVersion() >> 16 == 2
    assert s.GetU3VSupportedVersion() == 0x00010000  # USB3 Vision 1.0 over the simulated controller
    assert native.KySystem_RegisterEventSink(s, None).GetCode() == ky.KY_INVALID_PARAMETER
    with pytest.raises(TypeError) as raised:
        native.KySystem_RegisterEventSink(s, s)
    assert str(raised.value) == "in method 'KySystem_RegisterEventSink', argument 2 of type 'KySystemEventSink *'"


def test_find_device_returns_the_result_alone(cameras):
    s = ky.KySystem()
    assert native.KySystem_FindDevice(s, "02:00:0a:0a:01:02", None).IsOK()
    assert native.KySystem_FindDevice(s, "PyNoSuchName", None).GetCode() == ky.KY_NOT_FOUND
    with pytest.raises(TypeError) as raised:
        native.KySystem_FindDevice(s, b"02:00:0a:0a:01:02", None)
    assert str(raised.value) == "Argument 2: failed to create KyString from Python string"
    with pytest.raises(TypeError) as raised:
        native.KySystem_FindDevice(s, "x", 5)
    assert str(raised.value) == "in method 'KySystem_FindDevice', argument 3 of type 'KyDeviceInfo const **'"


def test_sessions_and_session_records():
    s = ky.KySystem()
    assert s.DiscoverSessions() == 0
    record = ky.KySessionInfo()
    assert s.GetSessionInfo(0, record).GetCode() == ky.KY_NOT_FOUND
    with pytest.raises(ValueError) as raised:
        native.KySystem_GetSessionInfo(s, 0, None)
    assert str(raised.value) == ("invalid null reference in method 'KySystem_GetSessionInfo', argument 3 of type "
                                 "'KySessionInfo &'")


def test_discovery_releases_the_interpreter_lock(cameras):
    s = ky.KySystem()
    s.SetDetectionTimeout(1500)
    counted = []
    stop = threading.Event()
    started = threading.Event()

    def count():
        started.set()
        while not stop.is_set():
            counted.append(1)
            stop.wait(0.001)

    worker = threading.Thread(target=count)
    worker.start()
    assert started.wait(10)
    before = len(counted)
    assert s.Find().IsOK()  # blocks for the detection time-out
    during = len(counted) - before
    stop.set()
    worker.join()
    assert during > 10
