"""Faults of Python overrides and misuse around a Python soft device, each in a child interpreter
(where a crash would show as a signal): raising and unusable register sinks, on the program's
thread and on the device's GVCP threads; raising callbacks during Start, Stop and destruction;
a register map lock that is never released. Each child exits 0 after checking what it saw."""
import os
import subprocess
import sys
import textwrap

import pytest

PRELUDE = textwrap.dedent("""
    import socket, struct, time
    import _tavro_python as native
    import tavro_python as ky
    MAC, IP, HOST_IP = "02:00:0a:0a:02:02", "10.10.2.2", "10.10.2.1"

    def expect(error, text, function, *args):
        try:
            function(*args)
        except error as raised:
            assert type(raised) is error and str(raised) == text, (type(raised), str(raised))
            return
        raise AssertionError("%s did not raise %s" % (function.__name__, error.__name__))

    class Gvcp:
        def __init__(self):
            self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            self.sock.bind((HOST_IP, 0))
            self.sock.settimeout(10)
            self.request = 0
        def command(self, code, payload):
            self.request += 1
            self.sock.sendto(struct.pack(">BBHHH", 0x42, 1, code, len(payload), self.request) + payload, (IP, 3956))
            while True:
                answer = self.sock.recv(1500)
                status, _, _, ack = struct.unpack(">HHHH", answer[:8])
                if ack == self.request:
                    return status, answer[8:]
        def read(self, address):
            return self.command(0x0080, struct.pack(">I", address))[0]
        def write(self, address, value):
            return self.command(0x0082, struct.pack(">II", address, value))[0]
        def write_memory(self, address, data):
            return self.command(0x0086, struct.pack(">I", address) + data)[0]
""")

RAISING_REGISTER_SINKS = """
class Faulty(ky.IKyRegisterEventSink):
    def __init__(self, mode):
        super().__init__()
        self.mode = mode
    def PreRead(self, register):
        return None if self.mode == "none" else 0
    def PreWrite(self, register):
        if self.mode == "raise":
            raise ValueError("no")
        return None if self.mode == "none" else 0
    def Persist(self, register, store):
        return None

class Recording(ky.IKyRegisterEventSink):
    def __init__(self, fail):
        super().__init__()
        self.fail = fail
        self.seen = []
    def PostWrite(self, register):
        if self.fail:
            self.seen.append("PostWrite")
            raise ValueError("after")
        # after the first sink raised, this one still runs to its end (a module call included)
        assert native.IKyRegister_ReadInt(register)[0].IsOK()
        self.seen.append("PostWrite")

class Sink(ky.IKySoftDeviceGEVEventSink):
    def __init__(self):
        super().__init__()
        self.raising, self.none = Faulty("raise"), Faulty("none")
        self.first, self.second = Recording(True), Recording(False)
    def OnCreateCustomRegisters(self, device, factory):
        rw = ky.KyGenAccessModeReadWrite
        assert native.IKyRegisterFactory_AddRegister(factory, "Raising", 0x10000, 4, rw, self.raising).IsOK()
        assert native.IKyRegisterFactory_AddRegister(factory, "Unusable", 0x10004, 4, rw, self.none).IsOK()
        assert native.IKyRegisterFactory_AddRegister(factory, "Twice", 0x10008, 4, rw, self.first).IsOK()

device, sink = ky.KySoftDeviceGEV(), Sink()
native.KySoftDeviceGEV_RegisterEventSink(device, sink)
assert native.KySoftDeviceGEV_Start(device, MAC).IsOK()
regs = native.KySoftDeviceGEV_GetRegisterMap(device)
raising = native.IKyRegisterMap_GetRegisterByAddress(regs, 0x10000)
unusable = native.IKyRegisterMap_GetRegisterByAddress(regs, 0x10004)
# the program's own accesses: the wrapper raises what the sink did, the access is refused
expect(RuntimeError, "SWIG director method error. In method 'PreWrite': ValueError: no",
       native.IKyRegister_Write, raising, 5)
assert native.IKyRegister_ReadInt(raising)[1] == 0
mismatch = "SWIG director type mismatch in method %s with output value of type 'KyResult'"
expect(TypeError, mismatch % "PreRead", native.IKyRegister_ReadInt, unusable)
expect(TypeError, mismatch % "PreWrite", native.IKyRegister_Write, unusable, 7)
expect(TypeError, mismatch % "PreRead", native.IKyRegister_ReadBytes, unusable, 4)
# two sinks: the first one's raise is what the wrapper raises, and the second still runs
twice = native.IKyRegisterMap_GetRegisterByAddress(regs, 0x10008)
assert native.IKyRegister_AddEventSink(twice, sink.second).IsOK()
expect(RuntimeError, "SWIG director method error. In method 'PostWrite': ValueError: after",
       native.IKyRegister_Write, twice, 3)
assert sink.first.seen == sink.second.seen == ["PostWrite"]
assert native.IKyRegister_ReadInt(twice)[1] == 3    # the write itself was accepted
# a controller's accesses on the device's threads: refused with a GVCP error, the server goes on
gvcp = Gvcp()
assert gvcp.write(0x0A00, 2) == 0
assert gvcp.write(0x10000, 5) != 0
assert gvcp.write_memory(0x10000, b"\\0\\0\\0\\5") != 0
assert gvcp.read(0x10004) != 0
assert gvcp.write(0x10004, 9) != 0
assert gvcp.read(0x0000) == 0
assert native.IKyRegister_ReadInt(raising)[1] == 0
assert native.KySoftDeviceGEV_Stop(device).IsOK()
print("done")
"""

RAISING_CREATION_CALLBACKS = """
class Sink(ky.IKySoftDeviceGEVEventSink):
    def __init__(self):
        super().__init__()
        self.fail = "registers"
    def OnCreateCustomRegisters(self, device, factory):
        if self.fail == "registers":
            raise ValueError("bad address")
    def OnCreateCustomGenApiFeatures(self, device, factory):
        if self.fail == "features":
            raise KeyError("PyGain")

device, sink = ky.KySoftDeviceGEV(), Sink()
native.KySoftDeviceGEV_RegisterEventSink(device, sink)
expect(RuntimeError, "SWIG director method error. In method 'OnCreateCustomRegisters': ValueError: bad address",
       native.KySoftDeviceGEV_Start, device, MAC)
assert native.KySoftDeviceGEV_GetInfo(device) is None and native.KySoftDeviceGEV_GetRegisterMap(device) is None
sink.fail = "features"
expect(RuntimeError, "SWIG director method error. In method 'OnCreateCustomGenApiFeatures': KeyError: 'PyGain'",
       native.IKySoftDeviceGEV_Start, device, MAC)
result, xml = native.KySoftDeviceGEV_GetGenICamXMLFile(device)
assert result.IsOK() and "<RegisterDescription" in xml
sink.fail = None
assert native.KySoftDeviceGEV_Start(device, MAC).IsOK()
assert native.KySoftDeviceGEV_Stop(device).IsOK()
print("done")
"""

RAISING_STOP_AND_DESTRUCTION = """
class Sink(ky.IKySoftDeviceGEVEventSink):
    def OnControlChannelStart(self, *args):
        raise ValueError("start")
    def OnControlChannelStop(self, device):
        raise ValueError("stop")

class Notify(ky.IKyUserSetNotify):
    def __init__(self):
        super().__init__()
        self.calls = []
    def UserSetStateNotify(self, state, index):
        self.calls.append((state, index))
        if state == ky.KyUserSetStateSaveStart:
            raise ValueError("notify")
        return 0

device, sink, notify = ky.KySoftDeviceGEV(), Sink(), Notify()
native.KySoftDeviceGEV_RegisterEventSink(device, sink)
native.KySoftDeviceGEV_SetUserSetCount(device, 1)
native.KySoftDeviceGEV_SetUserSetNotify(device, notify)
result = native.KySoftDeviceGEV_Start(device, MAC)   # the device runs: its result stands
assert result.IsOK(), str(result.GetDescription())
# the completion is told although the start of the save raised
assert notify.calls == [(ky.KyUserSetStateSaveStart, 0), (ky.KyUserSetStateSaveCompleted, 0)], notify.calls
assert native.KySoftDeviceGEV_Stop(device).IsOK()
assert native.KySoftDeviceGEV_Start(device, MAC).IsOK()
del device                                            # stops the running device
assert 1 + 1 == 2                                     # no error left behind
print("done")
"""

FORGOTTEN_MAP_LOCK = """
device = ky.KySoftDeviceGEV()
assert native.KySoftDeviceGEV_Start(device, MAC).IsOK()
regs = native.KySoftDeviceGEV_GetRegisterMap(device)
assert native.IKyRegisterMap_Lock(regs).IsOK()
serial = native.IKyRegisterMap_GetRegisterByAddress(regs, 0x00D8)
assert native.KySoftDeviceGEV_Stop(device).IsOK()     # waits a bounded time, then goes on
assert native.IKyRegister_ReadString(serial)[0].IsOK()
native.IKyRegisterMap_Release(regs)
assert native.KySoftDeviceGEV_Start(device, MAC).IsOK()
regs = native.KySoftDeviceGEV_GetRegisterMap(device)
assert native.IKyRegisterMap_Lock(regs).IsOK()
del device                                            # the destructor does not hang either
print("done")
"""

CHILDREN = [
    ("raising-and-unusable-register-sinks", RAISING_REGISTER_SINKS,
     ["In method 'PreWrite': ValueError: no"]),
    ("raising-creation-callbacks", RAISING_CREATION_CALLBACKS,
     ["In method 'OnCreateCustomRegisters': ValueError: bad address",
      "In method 'OnCreateCustomGenApiFeatures': KeyError: 'PyGain'"]),
    ("raising-callbacks-in-stop-and-destruction", RAISING_STOP_AND_DESTRUCTION,
     ["In method 'OnControlChannelStart': ValueError: start", "In method 'OnControlChannelStop': ValueError: stop",
      "In method 'UserSetStateNotify': ValueError: notify"]),
    ("forgotten-map-lock", FORGOTTEN_MAP_LOCK, []),
]


@pytest.mark.parametrize("script,printed", [c[1:] for c in CHILDREN], ids=[c[0] for c in CHILDREN])
def test_fault_in_a_child_interpreter(script, printed):
    child = subprocess.run([sys.executable, "-c", PRELUDE + textwrap.dedent(script)], capture_output=True,
                           text=True, timeout=120, env=dict(os.environ))
    assert child.returncode == 0, child.stdout + child.stderr
    lines = child.stdout.splitlines()
    assert lines[-1] == "done", child.stdout + child.stderr
    for line in printed:
        assert line in lines, child.stdout
