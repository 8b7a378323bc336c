"""A software GigE Vision device made in Python, on adapter kyc1 (10.10.1.2) of the private
namespace: custom registers and features from its event sink, register sinks, identity,
statistics, message channel, controllers connecting and leaving, and clients (ours and aravis's)
that find it, read and write it."""
import os
import re
import socket
import struct
import subprocess
import threading

import _tavro_python as native
import numpy
import pytest
import tavro_python as ky

from netns_helpers import find_until, wait_for

MAC = "02:00:0a:0a:01:02"
IP = "10.10.1.2"
HOST_IP = "10.10.1.1"

GAIN = 0x10000      # RW integer, recorded by its sink
LIMITED = 0x10004   # RW, its sink refuses values above 100
LABEL = 0x10010     # RW byte array of 32 bytes (string feature)
EXPOSURE = 0x10030  # RW float
FLAG = 0x10034      # RW boolean
MODE = 0x10038      # RW enumeration
TRIGGER = 0x1003C   # WO command
BLOB = 0x10040      # RO byte array of 16 bytes (register feature)
EVENT_ID = 0x9001

CCP, HEARTBEAT_TIMEOUT, MCP, MCDA = 0x0A00, 0x0938, 0x0B00, 0x0B10


class RegisterSink(ky.IKyRegisterEventSink):
    """Records every access; refuses writes above `limit` when it has one."""

    def __init__(self, name, limit=None):
        super().__init__()
        self.name = name
        self.limit = limit
        self.events = []
        self.lock = threading.Lock()

    def _add(self, what):
        with self.lock:
            self.events.append(what)

    def PreRead(self, register):
        self._add("PreRead")
        return 0

    def PostRead(self, register):
        self._add("PostRead")

    def PreWrite(self, register):
        self._add("PreWrite")
        if self.limit is not None:
            result, value = native.IKyRegister_ReadInt(register)
            if result.IsOK() and value > self.limit:
                return ky.KY_INVALID_PARAMETER
        return ky.KyResult(ky.KY_OK)

    def PostWrite(self, register):
        self._add("PostWrite")

    def take(self):
        with self.lock:
            events, self.events = self.events, []
        return events


def outcome(call, *args):
    """(exception class name, text) of a call that raises, else ("ok", result code or value)."""
    try:
        value = call(*args)
    except Exception as error:  # noqa: BLE001 - the table records whatever it is
        return (type(error).__name__, str(error))
    return ("ok", value.GetCode() if isinstance(value, ky.KyResult) else value)


class DeviceSink(ky.IKySoftDeviceGEVEventSink):
    def __init__(self):
        super().__init__()
        self.lock = threading.Lock()
        self.events = []
        self.gain_sink = RegisterSink("gain")
        self.limited_sink = RegisterSink("limited", limit=100)
        self.context = ky.KyString("context of PyGainReg")
        self.created = {}
        self.factory_errors = {}

    def _add(self, event):
        with self.lock:
            self.events.append(event)

    def take(self):
        with self.lock:
            events, self.events = self.events, []
        return events

    def OnCreateCustomRegisters(self, device, factory):
        self.created["register arguments"] = (type(device), type(factory))
        info = native.IKySoftDeviceGEV_GetInfo(device)
        self.created["identity"] = [
            native.IKySoftDeviceGEVInfo_SetModelName(info, "PyCam").GetCode(),
            native.IKySoftDeviceGEVInfo_SetSerialNumber(info, "PY0001").GetCode(),
            native.IKySoftDeviceGEVInfo_SetGenICamXMLVersion(info, 1, 2, 3).GetCode(),
            native.IKySoftDeviceGEVInfo_SetGenICamXMLRegDescVendorName(info, "PyVendor").GetCode(),
        ]
        add, array = native.IKyRegisterFactory_AddRegister, native.IKyRegisterFactory_AddByteArray
        rw = ky.KyGenAccessModeReadWrite
        self.created["registers"] = [
            add(factory, "PyGainReg", GAIN, 4, rw, self.gain_sink, self.context).GetCode(),
            add(factory, "PyLimitedReg", LIMITED, 4, rw, self.limited_sink).GetCode(),
            array(factory, "PyLabelReg", LABEL, 32, rw).GetCode(),
            add(factory, "PyExposureReg", EXPOSURE, 4, rw, None, None).GetCode(),
            add(factory, "PyFlagReg", FLAG, 4, rw).GetCode(),
            add(factory, "PyModeReg", MODE, 4, rw).GetCode(),
            add(factory, "PyTriggerReg", TRIGGER, 4, ky.KyGenAccessModeWriteOnly).GetCode(),
            array(factory, "PyBlobReg", BLOB, 16, ky.KyGenAccessModeReadOnly).GetCode(),
        ]
        self.created["refused registers"] = [
            add(factory, "InBootstrap", 0x0940, 4, rw).GetCode(),
            array(factory, "InXml", 0x3FF00000, 16, rw).GetCode(),
            add(factory, "Overlapping", GAIN, 4, rw).GetCode(),
            add(factory, "TwoBytes", 0x20000, 2, rw).GetCode(),
            add(factory, "BadMode", 0x20000, 4, 999).GetCode(),
        ]
        self.factory_errors["registers"] = [
            outcome(add, factory, "A", 0x20000, 4),
            outcome(add, factory, 5, 0x20000, 4, rw),
            outcome(add, factory, 5, -1, 4, rw),
            outcome(add, factory, "A", 0x20000, 4, 2 ** 31),
            outcome(add, factory, "A", 0x20000, 4, rw, None, {}),
            outcome(add, factory, "A", 0x20000, 4, rw, None, None, 1),
            outcome(array, factory, None, 0x20000, 4, rw),
        ]

    def OnCreateCustomGenApiFeatures(self, device, factory):
        self.created["feature arguments"] = (type(device), type(factory))
        regs = native.IKySoftDeviceGEV_GetRegisterMap(device)
        reg = {a: native.IKyRegisterMap_GetRegisterByAddress(regs, a)
               for a in (GAIN, LIMITED, LABEL, EXPOSURE, FLAG, MODE, TRIGGER, BLOB)}
        f = factory

        def named(name, category="PyControl"):
            native.IKyGenApiFactory_SetName(f, name)
            native.IKyGenApiFactory_SetCategory(f, category)

        results = {}
        named("PyGain")
        native.IKyGenApiFactory_SetDisplayName(f, "Python Gain")
        native.IKyGenApiFactory_SetDescription(f, "A gain kept by a Python program")
        native.IKyGenApiFactory_SetToolTip(f, "gain")
        native.IKyGenApiFactory_SetRepresentation(f, ky.KyGenRepresentationLinear)
        native.IKyGenApiFactory_SetVisibility(f, ky.KyGenVisibilityBeginner)
        native.IKyGenApiFactory_SetUnit(f, "dB")
        native.IKyGenApiFactory_SetStreamable(f, True)
        results["integer"] = native.IKyGenApiFactory_CreateInteger(f, reg[GAIN], 0, 1000).GetCode()
        named("PyLimited")
        results["integer, register only"] = native.IKyGenApiFactory_CreateInteger(f, reg[LIMITED]).GetCode()
        named("PyLabel")
        results["string"] = native.IKyGenApiFactory_CreateString(f, reg[LABEL]).GetCode()
        named("PyExposure")
        native.IKyGenApiFactory_SetCachable(f, ky.KyGenCacheNone)
        native.IKyGenApiFactory_SetPollingTime(f, 100)
        results["float"] = native.IKyGenApiFactory_CreateFloat(f, reg[EXPOSURE], 0, 10).GetCode()
        named("PyFlag")
        results["boolean"] = native.IKyGenApiFactory_CreateBoolean(f, reg[FLAG]).GetCode()
        named("PyMode")
        native.IKyGenApiFactory_AddEnumEntry(f, "Off", 0)
        native.IKyGenApiFactory_AddEnumEntry(f, "On", 1, "")
        native.IKyGenApiFactory_AddEnumEntry(f, "Auto", 2, "Automatic", ky.KyGenNameSpaceCustom)
        results["enumeration"] = native.IKyGenApiFactory_CreateEnum(f, reg[MODE]).GetCode()
        named("PyTrigger")
        native.IKyGenApiFactory_SetAccessMode(f, ky.KyGenAccessModeWriteOnly)
        results["command"] = native.IKyGenApiFactory_CreateCommand(f, reg[TRIGGER]).GetCode()
        named("PyBlob")
        native.IKyGenApiFactory_SetAccessMode(f, ky.KyGenAccessModeReadOnly)
        results["register"] = native.IKyGenApiFactory_CreateRegister(f, reg[BLOB]).GetCode()
        named("PyGainTwice")
        native.IKyGenApiFactory_AddVariable(f, "PyGain")
        results["integer swissknife"] = native.IKyGenApiFactory_CreateIntSwissKnife(f, "PyGain * 2").GetCode()
        named("PyHalfExposure")
        native.IKyGenApiFactory_AddVariable(f, "PyExposure")
        results["float swissknife"] = native.IKyGenApiFactory_CreateFloatSwissKnife(f, "PyExposure / 2").GetCode()
        named("PyGainMilli")
        results["integer converter"] = native.IKyGenApiFactory_CreateIntConverter(
            f, "PyGain", "TO * 1000", "FROM / 1000").GetCode()
        named("PyExposureMilli")
        results["float converter"] = native.IKyGenApiFactory_CreateFloatConverter(
            f, "PyExposure", "TO * 1000", "FROM / 1000").GetCode()
        named("PyEventValue", "EventControl\\EventPyData")
        native.IKyGenApiFactory_MapEvent(f, EVENT_ID, 0, 4, ky.KyGenEndiannessBig)
        results["event mapping"] = native.IKyGenApiFactory_CreateInteger(f, None).GetCode()
        named("PyGainAlias")
        native.IKyGenApiFactory_SetPValue(f, "PyGain")
        results["pvalue"] = native.IKyGenApiFactory_CreateInteger(f).GetCode()
        results["invalidator override"] = native.IKyGenApiFactory_AddInvalidatorTo(f, "DeviceUserID", "PyGain").GetCode()
        results["unknown standard feature"] = native.IKyGenApiFactory_SetPValueFor(f, "NoSuchFeature", "PyGain").GetCode()
        named("PyNoEntries")
        results["enumeration without entries"] = native.IKyGenApiFactory_CreateEnum(f, reg[MODE]).GetCode()
        results["without a name"] = native.IKyGenApiFactory_CreateBoolean(f, reg[FLAG]).GetCode()
        self.created["features"] = results
        self.factory_errors["features"] = [
            outcome(native.IKyGenApiFactory_SetTLLocked, f, 1),
            outcome(native.IKyGenApiFactory_SetPollingTime, f, -1),
            outcome(native.IKyGenApiFactory_SetPollingTime, f, 1.5),
            outcome(native.IKyGenApiFactory_SetVisibility, f, 2 ** 31),
            outcome(native.IKyGenApiFactory_SetName, f, b"Width"),
            outcome(native.IKyGenApiFactory_SetCategory, f, 5),
            outcome(native.IKyGenApiFactory_SetCategory, f),
            outcome(native.IKyGenApiFactory_MapEvent, f, 1, 0, 4, 0, 1),
            outcome(native.IKyGenApiFactory_MapChunk, f, 1, 0, 4, 0, 0),
            outcome(native.IKyGenApiFactory_AddEnumEntry, f, "On", -1),
            outcome(native.IKyGenApiFactory_CreateInteger, f, reg[GAIN], 0),
            outcome(native.IKyGenApiFactory_CreateInteger, f, reg[GAIN], 0, 2 ** 63),
            outcome(native.IKyGenApiFactory_CreateInteger, f, reg[GAIN], 0, 1.0),
            outcome(native.IKyGenApiFactory_CreateFloat, f, reg[GAIN], 0.5),
            outcome(native.IKyGenApiFactory_CreateString, f, "reg"),
            outcome(native.IKyGenApiFactory_CreateString, f, reg[GAIN], reg[GAIN]),
            outcome(native.IKyGenApiFactory_CreateIntConverter, f, "A", "TO * 2"),
            outcome(native.IKyGenApiFactory_SetPIsAvailableForEnumEntry, f, "PixelFormat", 7, "Avail"),
        ]
        native.IKyGenApiFactory_SetTLLocked(f, False)  # the last failed creations left attributes

    def OnApplicationConnect(self, device, ip, port, access):
        self._add(("connect", type(device), type(ip), str(ip), port, access))

    def OnApplicationDisconnect(self, device):
        self._add(("disconnect", type(device)))

    def OnControlChannelStart(self, device, mac, ip, mask, gateway, port):
        self._add(("start", str(mac), str(ip), str(mask), str(gateway), port))

    def OnControlChannelStop(self, device):
        self._add(("stop",))

    def OnDeviceResetNetwork(self, device):
        self._add(("network reset", type(device)))


class UserSetNotify(ky.IKyUserSetNotify):
    def __init__(self):
        super().__init__()
        self.calls = []

    def UserSetStateNotify(self, state, index):
        self.calls.append((state, index))
        return ky.KY_OK


@pytest.fixture(scope="module")
def soft():
    device = ky.KySoftDeviceGEV()
    sink = DeviceSink()
    notify = UserSetNotify()
    assert native.KySoftDeviceGEV_RegisterEventSink(device, sink).GetCode() == ky.KY_OK
    assert native.KySoftDeviceGEV_SetUserSetCount(device, 2).GetCode() == ky.KY_OK
    assert native.KySoftDeviceGEV_SetUserSetNotify(device, notify).GetCode() == ky.KY_OK
    result = native.KySoftDeviceGEV_Start(device, MAC)
    assert result.GetCode() == ky.KY_OK, str(result.GetDescription())
    yield device, sink, notify
    result = native.KySoftDeviceGEV_Stop(device)
    assert result.GetCode() == ky.KY_OK
    assert ("stop",) in sink.take()
    assert native.KySoftDeviceGEV_GetRegisterMap(device) is None
    assert native.KySoftDeviceGEV_Stop(device).GetCode() == ky.KY_STATE_ERROR
    assert native.KySoftDeviceGEV_UnregisterEventSink(device, sink).GetCode() == ky.KY_OK
    del device


def left_after_connecting(events):
    """Whether a disconnect follows the last connect (an earlier client's late disconnect does not count)."""
    kinds = [e[0] for e in events]
    return "connect" in kinds and "disconnect" in kinds[len(kinds) - 1 - kinds[::-1].index("connect"):]


def register(device, address):
    return native.IKyRegisterMap_GetRegisterByAddress(native.KySoftDeviceGEV_GetRegisterMap(device), address)


@pytest.fixture
def client(soft):
    r, dev = native.KyDevice_CreateAndConnect(IP)
    assert r.IsOK(), str(r.GetDescription())
    yield dev
    native.KyDevice_Free(dev)


def arv_tool(*args):
    return subprocess.run(["arv-tool-0.8", "-a", IP, *args], capture_output=True, text=True, timeout=30).stdout


# ----- creation, identity, XML


def test_creation_callbacks_ran_inside_start(soft):
    device, sink, _ = soft
    assert sink.created["register arguments"] == (ky.IKySoftDeviceGEV, ky.IKyRegisterFactory)
    assert sink.created["feature arguments"] == (ky.IKySoftDeviceGEV, ky.IKyGenApiFactory)
    assert sink.created["identity"] == [ky.KY_OK] * 4
    assert sink.created["registers"] == [ky.KY_OK] * 8
    assert sink.created["refused registers"] == [ky.KY_INVALID_PARAMETER] * 5
    features = sink.created["features"]
    assert {k: v for k, v in features.items() if v != ky.KY_OK} == {
        "unknown standard feature": ky.KY_NOT_FOUND,
        "enumeration without entries": ky.KY_INVALID_PARAMETER,
        "without a name": ky.KY_NOT_INITIALIZED,
    }
    control = [e for e in sink.take() if e[0] == "start"]
    assert control == [("start", MAC, IP, "255.255.255.0", "0.0.0.0", 3956)]


ADD_REGISTER_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'IKyRegisterFactory_AddRegister'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    IKyRegisterFactory::AddRegister(KyString const &,uint32_t,uint32_t,KyGenAccessMode,IKyRegisterEventSink *,void *)\n"
    "    IKyRegisterFactory::AddRegister(KyString const &,uint32_t,uint32_t,KyGenAccessMode,IKyRegisterEventSink *)\n"
    "    IKyRegisterFactory::AddRegister(KyString const &,uint32_t,uint32_t,KyGenAccessMode)\n")
CREATE_INTEGER_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'IKyGenApiFactory_CreateInteger'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    IKyGenApiFactory::CreateInteger(IKyRegister *,int64_t,int64_t,int64_t)\n"
    "    IKyGenApiFactory::CreateInteger(IKyRegister *,int64_t,int64_t)\n"
    "    IKyGenApiFactory::CreateInteger(IKyRegister *)\n"
    "    IKyGenApiFactory::CreateInteger()\n")
CREATE_STRING_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'IKyGenApiFactory_CreateString'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    IKyGenApiFactory::CreateString(IKyRegister *)\n"
    "    IKyGenApiFactory::CreateString()\n")
CATEGORY_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'IKyGenApiFactory_SetCategory'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    IKyGenApiFactory::SetCategory(KyString const &)\n"
    "    IKyGenApiFactory::SetCategory(KyString const &,KyString const &)\n")
MAP_EVENT_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'IKyGenApiFactory_MapEvent'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    IKyGenApiFactory::MapEvent(uint32_t,uint32_t,size_t,KyGenEndianness,bool)\n"
    "    IKyGenApiFactory::MapEvent(uint32_t,uint32_t,size_t,KyGenEndianness)\n"
    "    IKyGenApiFactory::MapEvent(uint32_t,uint32_t,size_t)\n")
MAP_CHUNK_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'IKyGenApiFactory_MapChunk'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    IKyGenApiFactory::MapChunk(uint32_t,uint32_t,size_t,KyGenEndianness)\n"
    "    IKyGenApiFactory::MapChunk(uint32_t,uint32_t,size_t)\n")
ENUM_ENTRY_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'IKyGenApiFactory_AddEnumEntry'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    IKyGenApiFactory::AddEnumEntry(KyString const &,uint32_t)\n"
    "    IKyGenApiFactory::AddEnumEntry(KyString const &,uint32_t,KyString const &,KyGenNameSpace)\n"
    "    IKyGenApiFactory::AddEnumEntry(KyString const &,uint32_t,KyString const &)\n")
CREATE_FLOAT_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'IKyGenApiFactory_CreateFloat'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    IKyGenApiFactory::CreateFloat(IKyRegister *,double,double)\n"
    "    IKyGenApiFactory::CreateFloat(IKyRegister *)\n"
    "    IKyGenApiFactory::CreateFloat()\n")


def test_factory_argument_errors_inside_the_callbacks(soft):
    _, sink, _ = soft
    kystring = "Argument %d: failed to create KyString from Python string"
    assert sink.factory_errors["registers"] == [
        ("TypeError", ADD_REGISTER_DISPATCH),
        ("TypeError", kystring % 2),
        ("TypeError", ADD_REGISTER_DISPATCH),
        ("TypeError", ADD_REGISTER_DISPATCH),
        ("TypeError", ADD_REGISTER_DISPATCH),
        ("TypeError", "IKyRegisterFactory_AddRegister expected at most 7 arguments, got 8\n"
                      "Additional information:\n" + ADD_REGISTER_DISPATCH),
        ("TypeError", kystring % 2),
    ]
    genapi = "in method 'IKyGenApiFactory_%s', argument 2 of type '%s'"
    assert sink.factory_errors["features"] == [
        ("TypeError", genapi % ("SetTLLocked", "bool")),
        ("OverflowError", genapi % ("SetPollingTime", "uint32_t")),
        ("TypeError", genapi % ("SetPollingTime", "uint32_t")),
        ("OverflowError", genapi % ("SetVisibility", "KyGenVisibility")),
        ("TypeError", kystring % 2),
        ("TypeError", kystring % 2),
        ("TypeError", CATEGORY_DISPATCH),
        ("TypeError", MAP_EVENT_DISPATCH),
        ("TypeError", "IKyGenApiFactory_MapChunk expected at most 5 arguments, got 6\nAdditional information:\n"
         + MAP_CHUNK_DISPATCH),
        ("TypeError", ENUM_ENTRY_DISPATCH),
        ("TypeError", CREATE_INTEGER_DISPATCH),
        ("TypeError", CREATE_INTEGER_DISPATCH),
        ("TypeError", CREATE_INTEGER_DISPATCH),
        ("TypeError", CREATE_FLOAT_DISPATCH),
        ("TypeError", CREATE_STRING_DISPATCH),
        ("TypeError", "IKyGenApiFactory_CreateString expected at most 2 arguments, got 3\nAdditional information:\n"
         + CREATE_STRING_DISPATCH),
        ("TypeError", "IKyGenApiFactory_CreateIntConverter expected 4 arguments, got 3"),
        ("TypeError", kystring % 3),
    ]


def test_identity_xml_and_discovery(soft):
    device, _, _ = soft
    info = native.KySoftDeviceGEV_GetInfo(device)
    again = native.IKySoftDeviceGEV_GetInfo(device)
    assert type(info) is ky.IKySoftDeviceGEVInfo and info is not again and not info.thisown
    assert native.IKySoftDeviceGEVInfo_GetModelName(info) == "PyCam"
    assert native.IKySoftDeviceGEVInfo_GetSerialNumber(again) == "PY0001"
    assert native.IKySoftDeviceGEVInfo_GetGenICamXMLRegDescModelName(info) == "PyCam"
    assert native.IKySoftDeviceGEVInfo_GetGenICamXMLRegDescVendorName(info) == "PyVendor"
    assert (native.IKySoftDeviceGEVInfo_GetGenICamXMLVersionMajor(info),
            native.IKySoftDeviceGEVInfo_GetGenICamXMLVersionMinor(info),
            native.IKySoftDeviceGEVInfo_GetGenICamXMLVersionSubMinor(info)) == (1, 2, 3)
    assert native.IKySoftDeviceGEVInfo_SetGenICamXMLVersion(info, 1, 0, 0).GetCode() == ky.KY_STATE_ERROR
    guid = "0A1B2C3D-0000-1111-2222-333344445555"
    assert native.IKySoftDeviceGEVInfo_SetGenICamXMLGUIDs(info, guid, guid).GetCode() == ky.KY_STATE_ERROR
    assert native.IKySoftDeviceGEVInfo_SetGenICamXMLGUIDs(info, "x", guid).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.IKySoftDeviceGEVInfo_SetSerialNumber(info, "0123456789ABCDEF").GetCode() == ky.KY_INVALID_PARAMETER
    assert native.IKySoftDeviceGEVInfo_SetDeviceVersion(info, "2.5").GetCode() == ky.KY_OK
    assert native.IKySoftDeviceGEVInfo_SetGenICamXMLRegDescModelName(info, "x").GetCode() == ky.KY_STATE_ERROR
    assert native.IKySoftDeviceGEVInfo_SetGenICamXMLRegDescVendorName(info, "v" * 32).GetCode() == \
        ky.KY_INVALID_PARAMETER
    errors = [
        (native.IKySoftDeviceGEVInfo_SetGenICamXMLVersion, (info, 1, 0, 65536), OverflowError, 4, "uint16_t"),
        (native.IKySoftDeviceGEVInfo_SetGenICamXMLVersion, (info, -1, 0, 0), OverflowError, 2, "uint16_t"),
        (native.IKySoftDeviceGEVInfo_SetGenICamXMLVersion, (info, 1, 1.0, 0), TypeError, 3, "uint16_t"),
    ]
    for function, args, error, position, ctype in errors:
        with pytest.raises(error) as raised:
            function(*args)
        assert str(raised.value) == "in method '%s', argument %d of type '%s'" % (
            function.__name__, position, ctype)
    with pytest.raises(TypeError) as raised:
        native.IKySoftDeviceGEVInfo_SetGenICamXMLGUIDs(info, guid, 5)
    assert str(raised.value) == "Argument 3: failed to create KyString from Python string"
    result, xml = native.KySoftDeviceGEV_GetGenICamXMLFile(device)
    assert result.GetCode() == ky.KY_OK and type(xml) is str
    assert 'MajorVersion="1" MinorVersion="2" SubMinorVersion="3"' in xml
    assert 'SchemaMajorVersion="1" SchemaMinorVersion="1"' in xml
    assert 'ModelName="PyCam" VendorName="PyVendor"' in xml
    for name in ("PyGain", "PyLimited", "PyLabel", "PyExposure", "PyFlag", "PyMode", "PyTrigger", "PyBlob",
                 "PyGainTwice", "PyHalfExposure", "PyGainMilli", "PyExposureMilli", "PyEventValue", "PyGainAlias"):
        assert 'Name="%s"' % name in xml, name
    system = ky.KySystem()

    def ours_found():
        return [i for i in (system.GetDeviceInfo(k) for k in range(system.GetDeviceCount()))
                if str(i.GetSerialNumber()) == "PY0001"]

    assert find_until(system, lambda: len(ours_found()) > 0)
    ours = ours_found()
    assert len(ours) == 1
    assert str(ours[0].GetModelName()) == "PyCam" and str(ours[0].GetVersion()) == "2.5"


# ----- registers from the program and from clients


def test_register_map_and_register_info(soft):
    device, sink, _ = soft
    regs = native.KySoftDeviceGEV_GetRegisterMap(device)
    assert type(regs) is ky.IKyRegisterMap
    count = native.IKyRegisterMap_GetRegisterCount(regs)
    names = {native.IKyRegisterInfo_GetName(native.IKyRegisterMap_GetRegisterByIndex(regs, k)) for k in range(count)}
    assert {"PyGainReg", "PyLabelReg", "PyBlobReg"} <= names
    assert native.IKyRegisterMap_GetRegisterByIndex(regs, count) is None
    assert native.IKyRegisterMap_GetRegisterByAddress(regs, 0x1FFFC) is None
    gain = native.IKyRegisterMap_GetRegisterByAddress(regs, GAIN)
    assert type(gain) is ky.IKyRegister and not gain.thisown
    assert native.IKyRegisterInfo_GetName(gain) == "PyGainReg"
    assert native.IKyRegisterInfo_GetAddress(gain) == GAIN and native.IKyRegisterInfo_GetLength(gain) == 4
    assert native.IKyRegisterInfo_IsWritable(gain) is True and native.IKyRegisterInfo_IsReadable(gain) is True
    assert native.IKyRegisterInfo_IsArrayOfBytes(gain) is False
    assert native.IKyRegisterInfo_IsArrayOfBytes(register(device, LABEL)) is True
    assert native.IKyRegisterInfo_IsWritable(register(device, BLOB)) is False
    context = native.IKyRegisterInfo_GetContext(gain)
    assert int(context) == int(sink.context.this)  # the raw pointer that was given
    assert native.IKyRegisterInfo_GetContext(register(device, LABEL)) is None
    assert native.IKyRegisterMap_Lock(regs).GetCode() == ky.KY_OK
    assert native.IKyRegisterMap_Lock(regs, 0).GetCode() == ky.KY_OK
    assert native.IKyRegisterMap_Release(regs) is None
    assert native.IKyRegisterMap_Release(regs) is None
    for function, args, error in [(native.IKyRegisterMap_GetRegisterByAddress, (regs, 2 ** 32), OverflowError),
                                  (native.IKyRegisterMap_GetRegisterByIndex, (regs, -1), OverflowError),
                                  (native.IKyRegisterMap_GetRegisterByIndex, (regs, "0"), TypeError),
                                  (native.IKyRegisterMap_Lock, (regs, -5), TypeError),
                                  (native.IKyRegisterInfo_GetContext, (), TypeError)]:
        with pytest.raises(error):
            function(*args)
    sink.gain_sink.take()


def test_program_reads_and_writes_run_the_sinks(soft):
    device, sink, _ = soft
    gain, label = register(device, GAIN), register(device, LABEL)
    assert native.IKyRegister_Write(gain, 7).GetCode() == ky.KY_OK
    result = native.IKyRegister_ReadInt(gain)
    assert type(result) is tuple and result[0].GetCode() == ky.KY_OK and result[1] == 7
    assert sink.gain_sink.take() == ["PreWrite", "PostWrite", "PreRead", "PostRead"]
    assert native.IKyRegister_Write(gain, True).GetCode() == ky.KY_OK and native.IKyRegister_ReadInt(gain)[1] == 1
    assert native.IKyRegister_Write(gain, 2 ** 32 - 1).GetCode() == ky.KY_OK
    assert native.IKyRegister_ReadInt(gain)[1] == 4294967295
    assert native.IKyRegister_Write(label, "hello").GetCode() == ky.KY_OK
    result = native.IKyRegister_ReadString(label)
    assert result[0].GetCode() == ky.KY_OK and result[1] == "hello"
    assert native.IKyRegister_Write(label, b"\x01\x02\x03\x04", 8).GetCode() == ky.KY_OK
    listed = native.IKyRegister_ReadBytes(label, 12)
    assert type(listed) is list and listed[0].GetCode() == ky.KY_OK
    assert listed[1].dtype == numpy.uint8 and listed[1].tolist() == list(b"hello\0\0\0\x01\x02\x03\x04")
    assert native.IKyRegister_ReadBytes(label, 4, 8)[1].tolist() == [1, 2, 3, 4]
    assert native.IKyRegister_ReadInt(label, 8)[1] == 0x01020304  # big-endian, as a controller sees it
    empty = native.IKyRegister_ReadBytes(label, 0)
    assert empty[1].shape == (0,)
    refused = native.IKyRegister_ReadBytes(gain, 8, 4)  # past the end of the register
    assert refused[0].GetCode() == ky.KY_INVALID_PARAMETER and refused[1].tolist() == [0] * 8
    assert native.IKyRegister_ReadInt(gain, 4)[1] is None
    exposure = register(device, EXPOSURE)
    assert native.IKyRegister_WriteFloat(exposure, 2.5).GetCode() == ky.KY_OK
    assert native.IKyRegister_ReadFloat(exposure) == (native.IKyRegister_ReadFloat(exposure)[0], 2.5)
    assert native.IKyRegister_WriteFloat(exposure, float("inf")).GetCode() == ky.KY_OK
    assert native.IKyRegister_ReadDouble(exposure)[1] is None  # too short for a double
    assert native.IKyRegister_WriteDouble(exposure, 2).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.IKyRegister_AddEventSink(gain, None).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.IKyRegister_AddEventSink(gain, sink.gain_sink).GetCode() == ky.KY_INVALID_PARAMETER
    extra = RegisterSink("extra")
    assert native.IKyRegister_AddEventSink(gain, extra).GetCode() == ky.KY_OK
    native.IKyRegister_ReadInt(gain)
    assert native.IKyRegister_RemoveEventSink(gain, extra).GetCode() == ky.KY_OK
    assert native.IKyRegister_RemoveEventSink(gain, extra).GetCode() == ky.KY_INVALID_PARAMETER
    assert extra.take() == ["PreRead", "PostRead"]
    sink.gain_sink.take()


WRITE_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'IKyRegister_Write'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    IKyRegister::Write(uint8_t const *,uint32_t,uint32_t)\n"
    "    IKyRegister::Write(uint8_t const *,uint32_t)\n"
    "    IKyRegister::Write(uint32_t,uint32_t)\n"
    "    IKyRegister::Write(uint32_t)\n"
    "    IKyRegister::Write(KyString const &)\n")
READ_INT_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'IKyRegister_ReadInt'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    IKyRegister::ReadInt(uint32_t &,uint32_t)\n"
    "    IKyRegister::ReadInt(uint32_t &)\n")


def test_register_argument_errors(soft):
    device, sink, _ = soft
    gain = register(device, GAIN)
    kystring = "Argument 2: failed to create KyString from Python string"
    cases = [
        (native.IKyRegister_Write, (gain, -1), TypeError, kystring),
        (native.IKyRegister_Write, (gain, 1.5), TypeError, kystring),
        (native.IKyRegister_Write, (gain, bytearray(4)), TypeError, kystring),
        (native.IKyRegister_Write, (gain, None), TypeError, kystring),
        (native.IKyRegister_Write, (gain, "text", 4), TypeError, WRITE_DISPATCH),
        (native.IKyRegister_ReadInt, (gain, -1), TypeError, READ_INT_DISPATCH),
        (native.IKyRegister_ReadInt, (gain, 2 ** 32), TypeError, READ_INT_DISPATCH),
        (native.IKyRegister_ReadBytes, (gain, 2.0), TypeError, "Int dimension expected.  'float' given."),
        (native.IKyRegister_ReadBytes, (gain, "4"), TypeError, "Int dimension expected.  'unknown type' given."),
        (native.IKyRegister_ReadBytes, (gain, -1), OverflowError,
         "in method 'IKyRegister_ReadBytes', argument 2 of type 'uint32_t'"),
        (native.IKyRegister_ReadBytes, (gain, 2 ** 32), OverflowError,
         "in method 'IKyRegister_ReadBytes', argument 2 of type 'uint32_t'"),
        (native.IKyRegister_WriteFloat, (gain, 1e39), OverflowError,
         "in method 'IKyRegister_WriteFloat', argument 2 of type 'float'"),
        (native.IKyRegister_WriteDouble, (gain, "2"), TypeError,
         "in method 'IKyRegister_WriteDouble', argument 2 of type 'double'"),
        (native.IKyRegister_AddEventSink, (gain, 5), TypeError,
         "in method 'IKyRegister_AddEventSink', argument 2 of type 'IKyRegisterEventSink *'"),
        (native.IKyRegisterInfo_GetName, (None,), TypeError,
         "in method 'IKyRegisterInfo_GetName', argument 1 of type 'IKyRegisterInfo *'"),
        (native.IKyRegisterInfo_GetAddress, (sink,), TypeError,
         "in method 'IKyRegisterInfo_GetAddress', argument 1 of type 'IKyRegisterInfo const *'"),
        (native.IKyRegister_ReadFloat, (None,), TypeError,
         "in method 'IKyRegister_ReadFloat', argument 1 of type 'IKyRegister *'"),
    ]
    for function, args, error, text in cases:
        with pytest.raises(error) as raised:
            function(*args)
        assert type(raised.value) is error and str(raised.value) == text, (function.__name__, args)
    assert sink.gain_sink.take() == []  # argument errors reach no register


def test_client_accesses_run_the_sinks_in_order(soft, client, tmp_path):
    device, sink, _ = soft
    sink.gain_sink.take()
    assert native.KyDeviceGEV_WriteRegister(client, GAIN, 42).IsOK()                      # WRITEREG
    r, value = native.KyDeviceGEV_ReadRegister(client, GAIN)                              # READREG
    assert r.IsOK() and value == 42
    assert native.KyDevice_WriteMemory(client, GAIN, [0, 0, 0, 43]).IsOK()               # WRITEMEM
    r, data = native.KyDevice_ReadMemory(client, GAIN, 4)                                 # READMEM
    assert r.IsOK() and data.tolist() == [0, 0, 0, 43]
    assert wait_for(lambda: len(sink.gain_sink.events) >= 8)
    assert sink.gain_sink.take() == ["PreWrite", "PostWrite", "PreRead", "PostRead"] * 2
    # a refusing sink: the controller's write fails and the value stays
    assert native.KyDeviceGEV_WriteRegister(client, LIMITED, 50).IsOK()
    assert not native.KyDeviceGEV_WriteRegister(client, LIMITED, 500).IsOK()
    assert not native.KyDevice_WriteMemory(client, LIMITED, [0, 0, 1, 0]).IsOK()
    assert native.KyDeviceGEV_ReadRegister(client, LIMITED)[1] == 50
    assert native.IKyRegister_Write(register(device, LIMITED), 101).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.IKyRegister_ReadInt(register(device, LIMITED))[1] == 50
    # the client reads the XML the device built, with the program's features
    listed = native.IKyRegister_ReadString(register(device, 0x0200))  # FirstURL
    assert listed[0].IsOK() and listed[1].startswith("Local:")
    path = os.path.join(tmp_path, "device.xml")
    assert native.KyDevice_DumpGenICamXML(client, path).IsOK()
    with open(path, encoding="utf-8") as f:
        xml = f.read()
    assert 'Name="PyGain"' in xml and 'Name="PyGainMilli"' in xml


def test_connect_and_leave_reach_the_event_sink(soft):
    device, sink, _ = soft
    sink.take()
    r, dev = native.KyDevice_CreateAndConnect(IP)
    assert r.IsOK()
    assert wait_for(lambda: any(e[0] == "connect" for e in sink.events))
    native.KyDevice_Free(dev)
    assert wait_for(lambda: left_after_connecting(list(sink.events)))
    events = sink.take()
    kind, device_type, ip_type, ip, port, access = [e for e in events if e[0] == "connect"][-1]
    assert device_type is ky.IKySoftDeviceGEV and ip_type is ky.KyString
    # the client's own address on this link (a local route may pick the device's)
    assert ip.startswith("10.10.1.") and 0 < port < 65536
    assert access in (ky.KyAccessControl, ky.KyAccessExclusive)
    assert ("disconnect", ky.IKySoftDeviceGEV) in events


class Gvcp:
    """A bare GVCP controller on the host's adapter."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((HOST_IP, 0))
        self.sock.settimeout(10)  # only ends a hang
        self.request = 0

    def command(self, code, payload):
        self.request += 1
        self.sock.sendto(struct.pack(">BBHHH", 0x42, 0x01, code, len(payload), self.request) + payload, (IP, 3956))
        while True:
            answer = self.sock.recv(1500)
            status, _, _, ack_id = struct.unpack(">HHHH", answer[:8])
            if ack_id == self.request:
                return status, answer[8:]

    def read(self, address):
        status, payload = self.command(0x0080, struct.pack(">I", address))
        return status, (struct.unpack(">I", payload[:4])[0] if status == 0 else None)

    def write(self, address, value):
        return self.command(0x0082, struct.pack(">II", address, value))[0]

    def close(self):
        self.sock.close()


def test_heartbeat_expiry_and_statistics(soft):
    device, sink, _ = soft
    statistics = native.KySoftDeviceGEV_GetStatistics(device)
    assert type(statistics) is ky.IKySoftDeviceGEVStatistics
    sink.take()
    gvcp = Gvcp()
    try:
        assert native.IKySoftDeviceGEVStatistics_Reset(statistics) is None
        names = [n for n in dir(native) if n.startswith("IKySoftDeviceGEVStatistics_Get")]
        assert len(names) == 19
        assert all(getattr(native, n)(statistics) == 0 for n in names)
        for _ in range(3):
            assert gvcp.read(0x0000) == (0, 0x00020000)
        assert gvcp.write(CCP, 2) == 0                 # control, no heartbeat from here on
        assert gvcp.write(HEARTBEAT_TIMEOUT, 500) == 0
        assert wait_for(lambda: native.IKySoftDeviceGEVStatistics_GetHeartbeatFailedCount(statistics) == 1)
        assert wait_for(lambda: left_after_connecting(list(sink.events)))
        assert native.IKySoftDeviceGEVStatistics_GetReadRegsReceived(statistics) == 3
        assert native.IKySoftDeviceGEVStatistics_GetWriteRegsReceived(statistics) == 2
        assert native.IKySoftDeviceGEVStatistics_GetSessionsOpened(statistics) == 1
        assert native.IKySoftDeviceGEVStatistics_GetSessionsClosed(statistics) == 1
        assert native.IKySoftDeviceGEVStatistics_GetHeartbeatFailedCount(statistics) == 1
        assert native.IKySoftDeviceGEVStatistics_GetReadMemsReceived(statistics) == 0
        native.IKySoftDeviceGEVStatistics_Reset(statistics)
        assert native.IKySoftDeviceGEVStatistics_GetReadRegsReceived(statistics) == 0
    finally:
        gvcp.close()
    connects = [e for e in sink.take() if e[0] == "connect"]
    assert connects[-1][3] == HOST_IP and connects[-1][5] == ky.KyAccessControl


def test_force_ip_restart_reaches_the_event_sink(soft):
    device, sink, _ = soft
    statistics = native.KySoftDeviceGEV_GetStatistics(device)
    native.IKySoftDeviceGEVStatistics_Reset(statistics)
    sink.take()
    mac = bytes(int(part, 16) for part in MAC.split(":"))
    # FORCEIP with address, mask and gateway 0: restart the IP configuration (the address stays)
    payload = struct.pack(">H2s4s12xI12xI12xI", 0, mac[:2], mac[2:], 0, 0, 0)
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        sock.bind((HOST_IP, 0))
        sock.sendto(struct.pack(">BBHHH", 0x42, 0x01, 0x0004, len(payload), 1) + payload, ("10.10.1.255", 3956))
        assert wait_for(lambda: any(e[0] == "network reset" for e in sink.events))
    finally:
        sock.close()
    assert ("network reset", ky.IKySoftDeviceGEV) in sink.take()
    assert native.IKySoftDeviceGEVStatistics_GetForceIpsReceived(statistics) == 1
    gvcp = Gvcp()
    try:
        # still answers on its address (busy while the restart lasts)
        assert wait_for(lambda: gvcp.read(0x0000) == (0, 0x00020000))
    finally:
        gvcp.close()


# ----- message channel


class EventSink(ky.KyDeviceEventSink):
    def __init__(self):
        super().__init__()
        self.events = []

    def OnEvent(self, device, eventID, channel, blockID, timestamp, data):
        self.events.append((eventID, channel, blockID, data.tolist()))


FIRE_DISPATCH_START = "Wrong number or type of arguments for overloaded function 'IKyMessageChannel_FireEvent'.\n"


def test_message_channel_events_reach_our_client(soft, client):
    device, _, _ = soft
    channel = native.KySoftDeviceGEV_GetMessagingChannel(device)
    assert type(channel) is ky.IKyMessageChannel
    events = EventSink()
    assert native.KyDevice_RegisterEventSink(client, events).IsOK()
    assert wait_for(lambda: native.IKyMessageChannel_IsOpened(channel) is True)
    statistics = native.KySoftDeviceGEV_GetStatistics(device)
    native.IKySoftDeviceGEVStatistics_Reset(statistics)
    assert native.IKyMessageChannel_FireEvent(channel, 0x9000).GetCode() == ky.KY_OK
    assert native.IKyMessageChannel_FireEvent(channel, EVENT_ID, b"\x00\x00\x00\x2a", 7).GetCode() == ky.KY_OK
    assert native.IKyMessageChannel_FireEvent(channel, 0x9002, 9, 1).GetCode() == ky.KY_OK
    assert native.IKyMessageChannel_FireEvent(channel, 0x9003, b"abc").GetCode() == ky.KY_INVALID_PARAMETER
    assert wait_for(lambda: len(events.events) == 3)
    native.KyDevice_UnregisterEventSink(client, events)
    assert events.events == [(0x9000, 0xFFFF, 0, []), (EVENT_ID, 0xFFFF, 7, [0, 0, 0, 42]), (0x9002, 1, 9, [])]
    assert native.IKySoftDeviceGEVStatistics_GetEventsIssued(statistics) == 2
    assert native.IKySoftDeviceGEVStatistics_GetEventDatasIssued(statistics) == 1
    for args in [(channel, 0x9000, bytearray(4)), (channel, 0x9000, "abcd"), (channel, 0x9000, -1),
                 (channel, 65536), (channel,)]:
        with pytest.raises(TypeError) as raised:
            native.IKyMessageChannel_FireEvent(*args)
        assert str(raised.value).startswith(FIRE_DISPATCH_START)
    with pytest.raises(TypeError) as raised:
        native.IKyMessageChannel_FireEvent(None, 0x9000)
    assert str(raised.value) == "in method 'IKyMessageChannel_FireEvent', argument 1 of type 'IKyMessageChannel *'"


def test_message_channel_closed_without_a_controller(soft):
    device, _, _ = soft
    channel = native.IKySoftDeviceGEV_GetMessagingChannel(device)
    assert wait_for(lambda: native.IKyMessageChannel_IsOpened(channel) is False)
    assert native.IKyMessageChannel_FireEvent(channel, 0x9000).GetCode() == ky.KY_STATE_ERROR


# ----- aravis as the independent client


def test_aravis_lists_reads_and_writes_the_python_features(soft):
    device, sink, _ = soft
    listing = arv_tool("features")
    for name in ("PyGain", "PyLabel", "PyExposure", "PyFlag", "PyMode", "PyTrigger", "PyBlob", "PyGainTwice"):
        assert name in listing, name
    out = arv_tool("control", "PyGain=5", "PyGain", "PyGainTwice", "PyGainMilli", "PyMode=Auto", "PyMode",
                   "PyLabel=arv", "PyLabel", "PyFlag=true", "PyFlag")
    assert re.search(r"PyGain = 5\b", out), out
    assert re.search(r"PyGainTwice = 10\b", out), out
    assert re.search(r"PyGainMilli = 5000\b", out), out
    assert "PyMode = Auto" in out and "PyLabel = arv" in out, out
    assert native.IKyRegister_ReadInt(register(device, GAIN))[1] == 5
    assert native.IKyRegister_ReadInt(register(device, MODE))[1] == 2
    assert native.IKyRegister_ReadString(register(device, LABEL))[1] == "arv"
    sink.limited_sink.take()
    refused = arv_tool("control", "PyLimited=500")
    assert native.IKyRegister_ReadInt(register(device, LIMITED))[1] == 50, refused
    assert "PreWrite" in sink.limited_sink.take()


def test_user_sets_save_and_load_through_the_features(soft):
    import gi
    gi.require_version("Aravis", "0.8")
    from gi.repository import Aravis
    device, _, notify = soft
    gain = register(device, GAIN)
    camera = Aravis.Camera.new(IP)
    arv = camera.get_device()
    try:
        arv.set_integer_feature_value("PyGain", 77)
        arv.set_string_feature_value("UserSetSelector", "UserSet1")
        notify.calls.clear()
        arv.execute_command("UserSetSave")
        assert notify.calls == [(ky.KyUserSetStateSaveStart, 1), (ky.KyUserSetStateSaveCompleted, 1)]
        arv.set_integer_feature_value("PyGain", 3)
        assert native.IKyRegister_ReadInt(gain)[1] == 3
        arv.execute_command("UserSetLoad")
        assert notify.calls[2:] == [(ky.KyUserSetStateLoadStart, 1), (ky.KyUserSetStateLoadCompleted, 1)]
        assert native.IKyRegister_ReadInt(gain)[1] == 77
        assert arv.get_integer_feature_value("PyGain") == 77
    finally:
        del arv
        del camera


class PersistingSink(ky.IKyRegisterEventSink):
    """Saves and loads its register through the store, as a register behind selectors does."""

    def __init__(self):
        super().__init__()
        self.results = []

    def Persist(self, register, store):
        assert type(register) is ky.IKyRegister and type(store) is ky.IKyRegisterStore
        self.results.append(native.IKyRegisterStore_Persist(store, register, "_Only").GetCode())
        self.results.append(native.IKyRegisterStore_Persist(store, None, "_Only").GetCode())
        self.results.append(outcome(native.IKyRegisterStore_Persist, store, ky.KyString("x"), "_Only"))
        self.results.append(outcome(native.IKyRegisterStore_Persist, store, register, b"_Only"))
        return ky.KY_OK


class GainDevice(ky.IKySoftDeviceGEVEventSink):
    """One custom integer feature, PyGain, on register GAIN, persisted through the store."""

    def __init__(self):
        super().__init__()
        self.persisting = PersistingSink()

    def OnCreateCustomRegisters(self, device, factory):
        native.IKyRegisterFactory_AddRegister(factory, "PyGainReg", GAIN, 4, ky.KyGenAccessModeReadWrite,
                                              self.persisting)

    def OnCreateCustomGenApiFeatures(self, device, factory):
        regs = native.IKySoftDeviceGEV_GetRegisterMap(device)
        native.IKyGenApiFactory_SetName(factory, "PyGain")
        native.IKyGenApiFactory_SetCategory(factory, "PyControl")
        native.IKyGenApiFactory_SetStreamable(factory, True)
        native.IKyGenApiFactory_CreateInteger(factory, native.IKyRegisterMap_GetRegisterByAddress(regs, GAIN))


def test_user_sets_survive_stop_and_start():
    import gi
    gi.require_version("Aravis", "0.8")
    from gi.repository import Aravis
    device, sink = ky.KySoftDeviceGEV(), GainDevice()
    native.KySoftDeviceGEV_RegisterEventSink(device, sink)
    native.KySoftDeviceGEV_SetUserSetCount(device, 1)
    assert native.KySoftDeviceGEV_Start(device, "02:00:0a:0a:02:02").IsOK()
    camera = Aravis.Camera.new("10.10.2.2")
    arv = camera.get_device()
    arv.set_integer_feature_value("PyGain", 9)
    arv.set_string_feature_value("UserSetSelector", "UserSet1")
    sink.persisting.results.clear()
    arv.execute_command("UserSetSave")
    assert sink.persisting.results == [
        ky.KY_OK, ky.KY_INVALID_PARAMETER,
        ("TypeError", "in method 'IKyRegisterStore_Persist', argument 2 of type 'IKyRegister *'"),
        ("TypeError", "Argument 3: failed to create KyString from Python string")]
    del arv, camera
    assert native.KySoftDeviceGEV_Stop(device).IsOK()
    assert native.KySoftDeviceGEV_Start(device, "02:00:0a:0a:02:02").IsOK()
    regs = native.KySoftDeviceGEV_GetRegisterMap(device)
    assert native.IKyRegister_ReadInt(native.IKyRegisterMap_GetRegisterByAddress(regs, GAIN))[1] == 0
    camera = Aravis.Camera.new("10.10.2.2")
    arv = camera.get_device()
    arv.set_string_feature_value("UserSetSelector", "UserSet1")
    arv.execute_command("UserSetLoad")
    assert arv.get_integer_feature_value("PyGain") == 9
    del arv, camera
    assert native.KySoftDeviceGEV_Stop(device).IsOK()
