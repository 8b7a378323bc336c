"""KyDeviceEventSink: the director's conversions and the base methods' argument checks, driven
from Python (the device tests drive it from a device's own threads)."""
import sys
import threading

import _tavro_python as native
import numpy
import pytest
import tavro_python as ky


class RecordingSink(ky.KyDeviceEventSink):
    def __init__(self):
        super().__init__()
        self.calls = []

    def OnEvent(self, device, eventID, channel, blockID, timestamp, data):
        self.calls.append(("OnEvent", device, eventID, channel, blockID, timestamp, data))

    def OnCmdLinkRead(self, *args):
        self.calls.append(("OnCmdLinkRead",) + args)

    def OnCmdLinkWrite(self, *args):
        self.calls.append(("OnCmdLinkWrite",) + args)

    def OnLinkDisconnected(self, device):
        self.calls.append(("OnLinkDisconnected", device))


def test_event_arguments_reach_the_override():
    sink = RecordingSink()
    # through the instance object alone the call is virtual: it forwards to the override
    native.KyDeviceEventSink_OnEvent(sink.this, None, 0x9001, 0xFFFF, 2 ** 64 - 1, 2 ** 63, [1, 2, 300 % 256])
    name, device, event, channel, block, timestamp, data = sink.calls[0]
    assert device is None and (event, channel) == (0x9001, 0xFFFF)
    assert block == 18446744073709551615 and timestamp == 2 ** 63
    assert data.dtype == numpy.uint8 and data.tolist() == [1, 2, 44]
    assert data.flags.owndata and data.flags.writeable  # a copy that Python owns
    native.KyDeviceEventSink_OnEvent(sink.this, None, 1, 2, 0, 0, numpy.zeros(0, numpy.uint8))
    assert sink.calls[1][6].shape == (0,) and sink.calls[1][6].dtype == numpy.uint8


def test_command_link_calls_get_one_tuple():
    sink = RecordingSink()
    native.KyDeviceEventSink_OnCmdLinkRead(sink.this, (numpy.arange(4, dtype=numpy.uint8), 0x0A00))
    name, arg = sink.calls[0]
    assert type(arg) is tuple and len(arg) == 2
    assert arg[0].shape == (4,) and arg[0].dtype == numpy.uint8 and arg[0].tolist() == [0, 1, 2, 3]
    assert arg[1] == 2560
    native.KyDeviceEventSink_OnCmdLinkWrite(sink.this, ([9], -5, "ignored"))
    assert sink.calls[1][0] == "OnCmdLinkWrite" and sink.calls[1][1][0].tolist() == [9] and sink.calls[1][1][1] == -5


def test_base_methods_on_the_sink_itself_run_the_sdk_implementation():
    sink = RecordingSink()
    assert native.KyDeviceEventSink_OnEvent(sink, None, 1, 2, 3, 4, [1]) is None
    assert native.KyDeviceEventSink_OnLinkDisconnected(sink, None) is None
    assert native.KyDeviceEventSink_OnCmdLinkRead(sink, ([1, 2], 0)) is None
    assert sink.calls == []
    plain = ky.KyDeviceEventSink()  # the SDK's own sink: no director
    assert native.KyDeviceEventSink_OnEventGenICam(plain, None, 1, 2, 3, 4, None) is None


class Reentrant(ky.KyDeviceEventSink):
    def __init__(self):
        super().__init__()
        self.calls = 0

    def OnLinkDisconnected(self, device):
        self.calls += 1
        native.KyDeviceEventSink_OnLinkDisconnected(self, device)  # the SDK's, not this again


def test_override_calling_its_base_method_does_not_recurse():
    sink = Reentrant()
    native.KyDeviceEventSink_OnLinkDisconnected(sink.this, None)
    assert sink.calls == 1


ERRORS = [
    # (case name, function, arguments after the sink, exception, text)
    ("read-list", native.KyDeviceEventSink_OnCmdLinkRead, ([[1], 0],), TypeError,
     "Error: KyDeviceEventSink_OnCmdLinkRead requires tuple argument"),
    ("write-list", native.KyDeviceEventSink_OnCmdLinkWrite, ([[1], 0],), TypeError,
     "Error: KyDeviceEventSink_OnCmdLinkWrite requires tuple argument"),
    ("write-one", native.KyDeviceEventSink_OnCmdLinkWrite, (([1],),), TypeError,
     "Error: KyDeviceEventSink_OnCmdLinkWrite requires a tuple with two elements as an argument"),
    ("write-float-address", native.KyDeviceEventSink_OnCmdLinkWrite, (([1], 1.5),), TypeError,
     "Error: KyDeviceEventSink_OnCmdLinkWrite requires an integer as the second tuple element"),
    ("read-int-data", native.KyDeviceEventSink_OnCmdLinkRead, ((5, 0),), TypeError,
     "Error: KyDeviceEventSink_OnCmdLinkRead requires a numpy array as the first tuple element"),
    ("event-2d", native.KyDeviceEventSink_OnEvent, (None, 1, 2, 3, 4, [[1, 2], [3, 4]]), TypeError,
     "Array must have 1 dimensions.  Given array has 2 dimensions"),
    ("event-id", native.KyDeviceEventSink_OnEvent, (None, 65536, 2, 3, 4, [1]), OverflowError,
     "in method 'KyDeviceEventSink_OnEvent', argument 3 of type 'uint16_t'"),
    ("event-channel", native.KyDeviceEventSink_OnEvent, (None, 1, -1, 3, 4, [1]), OverflowError,
     "in method 'KyDeviceEventSink_OnEvent', argument 4 of type 'uint16_t'"),
    ("event-block", native.KyDeviceEventSink_OnEvent, (None, 1, 2, "3", 4, [1]), TypeError,
     "in method 'KyDeviceEventSink_OnEvent', argument 5 of type 'uint64_t'"),
    ("event-device", native.KyDeviceEventSink_OnEvent, (5, 1, 2, 3, 4, [1]), TypeError,
     "in method 'KyDeviceEventSink_OnEvent', argument 2 of type 'KyDevice *'"),
    ("genicam-list", native.KyDeviceEventSink_OnEventGenICam, (None, 1, 2, 3, 4, 5), TypeError,
     "in method 'KyDeviceEventSink_OnEventGenICam', argument 7 of type 'KyGenParameterList *'"),
]


@pytest.mark.parametrize("function,args,error,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_base_method_argument_errors(function, args, error, text):
    with pytest.raises(error) as raised:
        function(RecordingSink(), *args)
    assert type(raised.value) is error
    assert str(raised.value) == text


class RaisingSink(ky.KyDeviceEventSink):
    def OnEvent(self, *args):
        raise KeyError("k")


def test_raising_override_prints_its_line(capfd):
    sink = RaisingSink()
    with pytest.raises(RuntimeError) as raised:
        native.KyDeviceEventSink_OnEvent(sink.this, None, 1, 2, 3, 4, [1])
    assert str(raised.value) == "SWIG director method error. In method 'OnEvent': KeyError: 'k'"
    assert capfd.readouterr().out == "In method 'OnEvent': KeyError: 'k'\n"


def test_sink_of_a_dead_python_object_raises():
    orphan = RecordingSink().this
    with pytest.raises(RuntimeError) as raised:
        native.KyDeviceEventSink_OnLinkDisconnected(orphan, None)
    assert str(raised.value) == "'self' uninitialized, maybe you forgot to call KyDeviceEventSink.__init__."


def test_plain_sink_and_disown():
    plain = native.new_KyDeviceEventSink(None)
    assert native.disown_KyDeviceEventSink(plain) is None  # not a director: nothing changes
    native.delete_KyDeviceEventSink(plain)
    sink = RecordingSink()
    before = sys.getrefcount(sink)
    native.disown_KyDeviceEventSink(sink)
    assert sys.getrefcount(sink) == before + 1
