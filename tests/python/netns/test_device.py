"""KyDevice and KyDeviceGEV against soft cameras: connection, memory, registers, parameters,
GigE Vision settings, and the argument rules of the flat functions."""
import io
import os
import zipfile
import xml.etree.ElementTree as ElementTree

import _tavro_python as native
import numpy
import pytest
import tavro_python as ky

from netns_helpers import find_until

CAMERA_1_IP = "10.10.1.2"
VERSION = 0x0000
USER_DEFINED_NAME = 0x00E8
SCP0 = 0x0D00
SCPS0 = 0x0D04
SCDA0 = 0x0D18


def find_info(serial):
    system = ky.KySystem()

    def with_serial():
        for k in range(system.GetDeviceCount()):
            info = system.GetDeviceInfo(k)
            if str(info.GetSerialNumber()) == serial:
                return info
        return None

    find_until(system, lambda: with_serial() is not None)
    return system, with_serial()


@pytest.fixture
def device(cameras):
    r, dev = native.KyDevice_CreateAndConnect(CAMERA_1_IP)
    assert r.IsOK(), str(r.GetDescription())
    yield dev
    native.KyDevice_Free(dev)


def test_create_and_connect_by_record_and_by_text(cameras):
    system, info = find_info("PA0001")
    result = native.KyDevice_CreateAndConnect(info)
    assert type(result) is tuple and len(result) == 2
    r, dev = result
    assert r.IsOK() and type(dev) is ky.KyDeviceGEV and not dev.thisown
    assert native.KyDevice_IsConnected(dev) is True
    assert native.KyDevice_GetType(dev) == ky.KyDeviceTypeGEV
    assert native.KyDevice_IsTesmarPowered(dev) is False
    r, unique = native.KyDevice_GetUniqueID(dev)
    assert r.IsOK() and unique == str(info.GetUniqueID())
    assert native.KyDevice_Free(dev) is None
    r, dev = native.KyDevice_CreateAndConnect(ky.KyString(CAMERA_1_IP))
    assert r.IsOK() and type(dev) is ky.KyDeviceGEV
    native.KyDevice_Free(dev)


def test_create_and_connect_failures(cameras):
    r, dev = native.KyDevice_CreateAndConnect("PyNoSuchCamera")
    assert not r.IsOK() and dev is None
    r, dev = native.KyDevice_CreateAndConnect(None)
    assert r.GetCode() == ky.KY_INVALID_PARAMETER and dev is None


CREATE_DISPATCH = ("Wrong number or type of arguments for overloaded function 'KyDevice_CreateAndConnect'.\n"
                   "  Possible C/C++ prototypes are:\n"
                   "    KyDevice::CreateAndConnect(KyDeviceInfo const *,KyResult *)\n"
                   "    KyDevice::CreateAndConnect(KyString const &,KyResult *)\n")
CONNECT_DISPATCH = ("Wrong number or type of arguments for overloaded function 'KyDevice_Connect'.\n"
                    "  Possible C/C++ prototypes are:\n"
                    "    KyDevice::Connect(KyDeviceInfo const *)\n"
                    "    KyDevice::Connect(KyString const &)\n")
GEV_CONNECT_DISPATCH = ("Wrong number or type of arguments for overloaded function 'KyDeviceGEV_Connect'.\n"
                        "  Possible C/C++ prototypes are:\n"
                        "    KyDeviceGEV::Connect(KyDeviceInfo const *)\n"
                        "    KyDeviceGEV::Connect(KyDeviceInfo const *,KyAccessType)\n"
                        "    KyDeviceGEV::Connect(KyString const &)\n"
                        "    KyDeviceGEV::Connect(KyString const &,KyAccessType)\n")
IP_CONFIG_DISPATCH = ("Wrong number or type of arguments for overloaded function 'KyDeviceGEV_SetIPConfiguration'.\n"
                      "  Possible C/C++ prototypes are:\n"
                      "    KyDeviceGEV::SetIPConfiguration(KyString const &,KyString const &,KyString const &,"
                      "KyString const &)\n"
                      "    KyDeviceGEV::SetIPConfiguration(KyString const &,KyString const &,KyString const &)\n"
                      "    KyDeviceGEV::SetIPConfiguration(KyString const &,KyString const &)\n")
ENABLE_DISPATCH = ("Wrong number or type of arguments for overloaded function 'KyDevice_StreamEnable'.\n"
                   "  Possible C/C++ prototypes are:\n"
                   "    KyDevice::StreamEnable(uint32_t)\n"
                   "    KyDevice::StreamEnable()\n")


def device_argument_errors(dev):
    return [
        # (case name, function, arguments, exception, text)
        ("create-int", native.KyDevice_CreateAndConnect, (5,), TypeError, CREATE_DISPATCH),
        ("create-none-given", native.KyDevice_CreateAndConnect, (), TypeError, CREATE_DISPATCH),
        ("create-two", native.KyDevice_CreateAndConnect, ("a", "b"), TypeError,
         "KyDevice_CreateAndConnect expected at most 1 arguments, got 2\nAdditional information:\n" + CREATE_DISPATCH),
        ("connect-int", native.KyDevice_Connect, (dev, 5), TypeError, CONNECT_DISPATCH),
        ("connect-one", native.KyDevice_Connect, (dev,), TypeError, CONNECT_DISPATCH),
        ("enable-negative", native.KyDevice_StreamEnable, (dev, -1), TypeError, ENABLE_DISPATCH),
        ("read-float-count", native.KyDevice_ReadMemory, (dev, 0, 4.0), TypeError,
         "Int dimension expected.  'float' given."),
        ("read-count-too-big", native.KyDevice_ReadMemory, (dev, 0, 2 ** 31), OverflowError,
         "in method 'KyDevice_ReadMemory', argument 3 of type 'int'"),
        ("read-address", native.KyDevice_ReadMemory, (dev, 2 ** 63, 4), OverflowError,
         "in method 'KyDevice_ReadMemory', argument 2 of type 'int64_t'"),
        ("write-2d", native.KyDevice_WriteMemory, (dev, 0, [[1, 2], [3, 4]]), TypeError,
         "Array must have 1 dimensions.  Given array has 2 dimensions"),
        ("write-address", native.KyDevice_WriteMemory, (dev, "0", [1]), TypeError,
         "in method 'KyDevice_WriteMemory', argument 2 of type 'int64_t'"),
        ("none-self", native.KyDevice_Disconnect, (None,), TypeError,
         "in method 'KyDevice_Disconnect', argument 1 of type 'KyDevice *'"),
        ("info-as-self", native.KyDevice_GetType, (ky.KyDeviceInfoGEV(),), TypeError,
         "in method 'KyDevice_GetType', argument 1 of type 'KyDevice const *'"),
        ("sink-type", native.KyDevice_RegisterEventSink, (dev, dev), TypeError,
         "in method 'KyDevice_RegisterEventSink', argument 2 of type 'KyDeviceEventSink *'"),
        ("gev-register-count", native.KyDeviceGEV_ReadRegister, (dev,), TypeError,
         "KyDeviceGEV_ReadRegister expected 2 arguments, got 1"),
        ("gev-ack-int", native.KyDeviceGEV_WriteRegister, (dev, 0xE8, 0, 1), TypeError, None),
        ("gev-port", native.KyDeviceGEV_SetStreamDestination, (dev, "10.10.1.1", 65536), TypeError, None),
        ("gev-static-access-none", native.KyDeviceGEV_GetAccessType, ("10.10.1.2", None), TypeError, None),
        ("gev-ip-config-one", native.KyDeviceGEV_SetIPConfiguration, ("02:00:0a:0a:02:02",), TypeError,
         IP_CONFIG_DISPATCH),
        ("gev-ip-config-int", native.KyDeviceGEV_SetIPConfiguration, ("02:00:0a:0a:02:02", 5), TypeError,
         IP_CONFIG_DISPATCH),
        ("gev-ip-config-five", native.KyDeviceGEV_SetIPConfiguration, ("a", "b", "c", "d", "e"), TypeError,
         "KyDeviceGEV_SetIPConfiguration expected at most 4 arguments, got 5\nAdditional information:\n"
         + IP_CONFIG_DISPATCH),
        ("gev-connect-int", native.KyDeviceGEV_Connect, (dev, 5), TypeError, GEV_CONNECT_DISPATCH),
        ("gev-connect-access-type", native.KyDeviceGEV_Connect, (dev, "x", "3"), TypeError, GEV_CONNECT_DISPATCH),
        ("gev-connect-plain-device", native.KyDeviceGEV_Connect, (ky.KyDeviceInfoGEV(), "x"), TypeError,
         GEV_CONNECT_DISPATCH),
        ("gev-register-self", native.KyDeviceGEV_ReadRegister, (None, 0), TypeError,
         "in method 'KyDeviceGEV_ReadRegister', argument 1 of type 'KyDeviceGEV *'"),
    ]


def test_argument_errors(device):
    for name, function, args, error, text in device_argument_errors(device):
        with pytest.raises(error) as raised:
            function(*args)
        assert type(raised.value) is error, name
        if text is not None:
            assert str(raised.value) == text, name
        else:
            assert str(raised.value).startswith("Wrong number or type of arguments for overloaded function"), name


def test_memory_round_trip(device):
    system, info = find_info("PA0001")
    r, version = native.KyDevice_ReadMemory(device, VERSION, 4)
    assert r.IsOK() and version.dtype == numpy.uint8 and version.shape == (4,)
    assert int.from_bytes(version.tobytes(), "big") == info.GetGEVVersion()
    name = numpy.zeros(16, dtype=numpy.uint8)
    name[:6] = list(b"pyname")
    assert native.KyDevice_WriteMemory(device, USER_DEFINED_NAME, name).IsOK()
    r, back = native.KyDevice_ReadMemory(device, USER_DEFINED_NAME, 16)
    assert r.IsOK() and back.tobytes() == name.tobytes()
    # a list converts; an empty array writes nothing
    assert native.KyDevice_WriteMemory(device, USER_DEFINED_NAME, list(b"py2\0")).IsOK()
    assert native.KyDevice_ReadMemory(device, USER_DEFINED_NAME, 4)[1].tobytes() == b"py2\0"
    assert native.KyDevice_WriteMemory(device, USER_DEFINED_NAME, numpy.zeros(0, numpy.uint8)).IsOK()
    r, empty = native.KyDevice_ReadMemory(device, USER_DEFINED_NAME, 0)
    assert empty.shape == (0,)
    with pytest.raises(ValueError):
        native.KyDevice_ReadMemory(device, USER_DEFINED_NAME, -1)  # numpy refuses the length


def test_registers_and_gev_settings(device):
    r, value = native.KyDeviceGEV_ReadRegister(device, VERSION)
    assert r.IsOK() and value >> 16 == 2
    result = native.KyDeviceGEV_ReadRegister(device, 0x0FFFFFF0)
    assert type(result) is tuple and not result[0].IsOK() and result[1] is None
    assert native.KyDeviceGEV_GetAccessType(device) == ky.KyAccessExclusive
    assert str(native.KyDeviceGEV_GetIPAddress(device)) == CAMERA_1_IP
    assert str(native.KyDeviceGEV_GetMACAddress(device)) == "02:00:0a:0a:01:02"
    assert type(native.KyDeviceGEV_GetClass(device)) is int
    assert native.KyDeviceGEV_SetPacketSize(device, 1400).IsOK()
    assert native.KyDeviceGEV_ReadRegister(device, SCPS0)[1] & 0xFFFF == 1400
    assert native.KyDeviceGEV_NegotiatePacketSize(device).IsOK()
    assert native.KyDeviceGEV_ReadRegister(device, SCPS0)[1] & 0xFFFF > 1400  # the path takes jumbo frames
    assert native.KyDeviceGEV_SetStreamDestination(device, "10.10.1.1", 5000).IsOK()
    assert native.KyDeviceGEV_ReadRegister(device, SCDA0)[1] == 0x0A0A0101
    assert native.KyDeviceGEV_ReadRegister(device, SCP0)[1] & 0xFFFF == 5000
    assert native.KyDeviceGEV_ResetStreamDestination(device).IsOK()
    assert native.KyDeviceGEV_ReadRegister(device, SCP0)[1] & 0xFFFF == 0
    assert native.KyDeviceGEV_WriteRegister(device, USER_DEFINED_NAME, 0x41424300).IsOK()
    assert native.KyDevice_ReadMemory(device, USER_DEFINED_NAME, 4)[1].tobytes() == b"ABC\0"
    assert native.KyDevice_StreamEnable(device).IsOK()
    assert native.KyDevice_StreamDisable(device, 0).IsOK()
    assert native.KyDevice_GetPayloadSize(device) > 0
    assert native.KyDevice_WaitForMessagingChannelIdle(device, 1000).IsOK()
    for name in ("Heartbeat", "InterruptLink", "InterruptQueue"):
        assert getattr(native, "KyDevice_Set%sThreadPriority" % name)(device, 0).IsOK()
        assert getattr(native, "KyDevice_Get%sThreadPriority" % name)(device) == 0


def test_genicam_description_and_parameters(device, tmp_path):
    r, filename = native.KyDevice_GetDefaultGenICamXMLFilename(device)
    assert r.IsOK() and type(filename) is str and filename
    path = str(tmp_path / "device.xml")
    assert native.KyDevice_DumpGenICamXML(device, path).IsOK()
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] == b"PK":
        with zipfile.ZipFile(io.BytesIO(data)) as archive:
            data = archive.read([n for n in archive.namelist() if n.lower().endswith(".xml")][0])
    assert ElementTree.fromstring(data).tag.endswith("RegisterDescription")
    first = native.KyDevice_GetParameters(device)
    second = native.KyDevice_GetParameters(device)
    assert type(first) is ky.KyGenParameterArray and not first.thisown
    assert first is not second and int(first.this) == int(second.this)
    del first, second  # borrowed: nothing of the device goes with them
    assert native.KyDevice_GetCommunicationParameters(device) is not None
    assert native.KyDevice_IsConnected(device)


def test_after_disconnect(cameras):
    r, dev = native.KyDevice_CreateAndConnect(CAMERA_1_IP)
    assert r.IsOK()
    assert native.KyDevice_Disconnect(dev).IsOK()
    assert native.KyDevice_IsConnected(dev) is False
    r, text = native.KyDevice_GetUniqueID(dev)
    assert r.GetCode() == ky.KY_NOT_CONNECTED and text is None
    r, text = native.KyDevice_GetDefaultGenICamXMLFilename(dev)
    assert not r.IsOK() and text is None
    r, data = native.KyDevice_ReadMemory(dev, VERSION, 4)
    assert not r.IsOK() and data.tolist() == [0, 0, 0, 0]  # zero-filled, never stale
    assert native.KyDevice_Disconnect(dev).GetCode() == ky.KY_NOT_CONNECTED
    assert native.KyDevice_RegisterEventSink(dev, None).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyDevice_Connect(dev, None).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyDevice_Connect(dev, CAMERA_1_IP).IsOK()  # connects again
    native.KyDevice_Free(dev)
    assert native.KyDevice_Free(None) is None


def test_device_made_by_python_connects_with_an_access_type(cameras):
    dev = ky.KyDeviceGEV()
    assert dev.thisown
    assert native.KyDeviceGEV_GetAccessType(dev) == ky.KyAccessUnknown
    assert str(native.KyDeviceGEV_GetIPAddress(dev)) == ""
    assert native.KyDeviceGEV_Connect(dev, CAMERA_1_IP, ky.KyAccessControl).IsOK()
    assert native.KyDeviceGEV_GetAccessType(dev) == ky.KyAccessControl
    assert native.KyDevice_Disconnect(dev).IsOK()
    assert native.KyDeviceGEV_Connect(dev, None).GetCode() == ky.KY_INVALID_PARAMETER
    system, info = find_info("PA0001")
    assert native.KyDeviceGEV_Connect(dev, info).IsOK()
    assert native.KyDeviceGEV_GetAccessType(dev) == ky.KyAccessExclusive
    with pytest.raises(TypeError):
        native.KyDeviceGEV_GetClass(ky.KyDeviceInfoGEV())
    assert native.delete_KyDeviceGEV(dev) is None  # disconnects
    assert native.delete_KyDeviceGEV(None) is None


def test_set_ip_configuration_is_seen_by_the_next_find(cameras):
    r = native.KyDeviceGEV_SetIPConfiguration(ky.KyString("02:00:0a:0a:02:02"), "10.10.2.50", "255.255.255.0")
    assert r.IsOK(), str(r.GetDescription())
    system, info = find_info("PB0002")
    assert str(info.GetIPAddress()) == "10.10.2.50" and str(info.GetSubnetMask()) == "255.255.255.0"
    r = native.KyDeviceGEV_SetIPConfiguration("not a mac", "10.10.2.2", "255.255.255.0", "0.0.0.0")
    assert r.GetCode() == ky.KY_INVALID_PARAMETER
