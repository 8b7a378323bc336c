"""The software device's bindings that need no running device: argument rules of the device's
functions, and the callback classes (device event sink, register event sink, user-set
notification) driven from Python. tests/python/netns runs the device itself."""
import _tavro_python as native
import pytest
import tavro_python as ky


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


KYSTRING_2 = "Argument 2: failed to create KyString from Python string"


@pytest.fixture
def device():
    dev = ky.KySoftDeviceGEV()
    yield dev
    del dev


class RecordingSink(ky.IKySoftDeviceGEVEventSink):
    def __init__(self):
        super().__init__()
        self.calls = []

    def OnApplicationConnect(self, device, ip, port, access):
        self.calls.append(("connect", device, ip, port, access))

    def OnCreateCustomRegisters(self, device, factory):
        self.calls.append(("registers", device, factory))


def device_errors(dev):
    sink = RecordingSink()
    return [
        # (case name, function, arguments, exception, text)
        ("bool-one", native.KySoftDeviceGEV_SetTCPTransportEnabled, (dev, 1), TypeError,
         arg_text("KySoftDeviceGEV_SetTCPTransportEnabled", 2, "bool")),
        ("bool-rtp-none", native.IKySoftDeviceGEV_SetRTPProtocolEnabled, (dev, None), TypeError,
         arg_text("IKySoftDeviceGEV_SetRTPProtocolEnabled", 2, "bool")),
        ("bool-timestamping-zero", native.KySoftDeviceGEV_SetStreamTimestamping, (dev, 0), TypeError,
         arg_text("KySoftDeviceGEV_SetStreamTimestamping", 2, "bool")),
        ("count-negative", native.IKySoftDeviceGEV_SetUserSetCount, (dev, -1), OverflowError,
         arg_text("IKySoftDeviceGEV_SetUserSetCount", 2, "uint32_t")),
        ("count-too-big", native.IKySoftDeviceGEV_SetUserSetCount, (dev, 2 ** 32), OverflowError,
         arg_text("IKySoftDeviceGEV_SetUserSetCount", 2, "uint32_t")),
        ("count-float", native.IKySoftDeviceGEV_SetUserSetCount, (dev, 2.0), TypeError,
         arg_text("IKySoftDeviceGEV_SetUserSetCount", 2, "uint32_t")),
        ("start-bytes", native.KySoftDeviceGEV_Start, (dev, b"00:00:00:00:00:00"), TypeError, KYSTRING_2),
        ("start-none", native.KySoftDeviceGEV_Start, (dev, None), TypeError, KYSTRING_2),
        ("start-count", native.KySoftDeviceGEV_Start, (dev,), TypeError, "KySoftDeviceGEV_Start expected 2 arguments, got 1"),
        ("stream-int", native.IKySoftDeviceGEV_AddStream, (dev, 5), TypeError,
         arg_text("IKySoftDeviceGEV_AddStream", 2, "IKyStreamingChannelSource *")),
        ("notify-sink", native.KySoftDeviceGEV_SetUserSetNotify, (dev, sink), TypeError,
         arg_text("KySoftDeviceGEV_SetUserSetNotify", 2, "IKyUserSetNotify *")),
        ("handler-int", native.KySoftDeviceGEV_SetActionHandler, (dev, 1), TypeError,
         arg_text("KySoftDeviceGEV_SetActionHandler", 2, "KyVirtualDeviceLib::IActionHandler *")),
        ("register-str", native.IKySoftDeviceGEV_RegisterEventSink, (dev, "sink"), TypeError,
         arg_text("IKySoftDeviceGEV_RegisterEventSink", 2, "IKySoftDeviceGEVEventSink *")),
        ("none-self", native.KySoftDeviceGEV_Stop, (None,), TypeError, arg_text("KySoftDeviceGEV_Stop", 1, "KySoftDeviceGEV *")),
        ("none-self-interface", native.IKySoftDeviceGEV_GetInfo, (None,), TypeError,
         arg_text("IKySoftDeviceGEV_GetInfo", 1, "IKySoftDeviceGEV *")),
        ("const-self", native.KySoftDeviceGEV_GetGenICamXMLFile, (sink,), TypeError,
         arg_text("KySoftDeviceGEV_GetGenICamXMLFile", 1, "KySoftDeviceGEV const *")),
        ("interface-self-const", native.IKySoftDeviceGEV_GetGenICamXMLFile, (None,), TypeError,
         arg_text("IKySoftDeviceGEV_GetGenICamXMLFile", 1, "IKySoftDeviceGEV const *")),
        ("device-not-info", native.IKySoftDeviceGEVInfo_GetModelName, (dev,), TypeError,
         arg_text("IKySoftDeviceGEVInfo_GetModelName", 1, "IKySoftDeviceGEVInfo *")),
        ("device-not-info-const", native.IKySoftDeviceGEVInfo_GetGenICamXMLVersionMajor, (dev,), TypeError,
         arg_text("IKySoftDeviceGEVInfo_GetGenICamXMLVersionMajor", 1, "IKySoftDeviceGEVInfo const *")),
        ("device-not-statistics", native.IKySoftDeviceGEVStatistics_GetReadMemsReceived, (dev,), TypeError,
         arg_text("IKySoftDeviceGEVStatistics_GetReadMemsReceived", 1, "IKySoftDeviceGEVStatistics const *")),
        ("statistics-reset-none", native.IKySoftDeviceGEVStatistics_Reset, (None,), TypeError,
         arg_text("IKySoftDeviceGEVStatistics_Reset", 1, "IKySoftDeviceGEVStatistics *")),
        ("channel-none", native.IKyMessageChannel_IsOpened, (None,), TypeError,
         arg_text("IKyMessageChannel_IsOpened", 1, "IKyMessageChannel *")),
        ("map-none", native.IKyRegisterMap_GetRegisterCount, (None,), TypeError,
         arg_text("IKyRegisterMap_GetRegisterCount", 1, "IKyRegisterMap *")),
        ("factory-none", native.IKyGenApiFactory_SetName, (None, "A"), TypeError,
         arg_text("IKyGenApiFactory_SetName", 1, "IKyGenApiFactory *")),
        ("delete-wrong", native.delete_KySoftDeviceGEV, (sink,), TypeError,
         arg_text("delete_KySoftDeviceGEV", 1, "KySoftDeviceGEV *")),
    ]


def test_device_argument_errors(device):
    for name, function, args, error, text in device_errors(device):
        with pytest.raises(error) as raised:
            function(*args)
        assert type(raised.value) is error, name
        assert str(raised.value) == text, name


def test_device_before_start(device):
    assert native.KySoftDeviceGEV_SetTCPTransportEnabled(device, True).GetCode() == ky.KY_OK
    assert native.KySoftDeviceGEV_SetStreamTimestamping(device, False).GetCode() == ky.KY_OK
    assert native.IKySoftDeviceGEV_SetUserSetCount(device, True).GetCode() == ky.KY_OK
    assert native.IKySoftDeviceGEV_SetUserSetCount(device, 257).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.IKySoftDeviceGEV_AddStream(device, None).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KySoftDeviceGEV_SetActionHandler(device, None).GetCode() == ky.KY_OK
    assert native.KySoftDeviceGEV_RegisterEventSink(device, None).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KySoftDeviceGEV_UnregisterEventSink(device, None).GetCode() == ky.KY_INVALID_PARAMETER
    for getter in ("GetInfo", "GetRegisterMap", "GetStatistics", "GetMessagingChannel"):
        assert getattr(native, "KySoftDeviceGEV_" + getter)(device) is None
        assert getattr(native, "IKySoftDeviceGEV_" + getter)(device) is None
    result = native.IKySoftDeviceGEV_GetGenICamXMLFile(device)
    assert type(result) is tuple and len(result) == 2
    assert result[0].GetCode() == ky.KY_STATE_ERROR and result[1] is None
    assert native.KySoftDeviceGEV_Stop(device).GetCode() == ky.KY_STATE_ERROR
    sink = RecordingSink()
    assert native.IKySoftDeviceGEV_RegisterEventSink(device, sink).GetCode() == ky.KY_OK
    assert native.IKySoftDeviceGEV_RegisterEventSink(device, sink).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KySoftDeviceGEV_UnregisterEventSink(device, sink).GetCode() == ky.KY_OK


def test_proxy_classes_and_ownership(device):
    assert device.thisown and type(device) is ky.KySoftDeviceGEV
    assert native.delete_KySoftDeviceGEV(device) is None
    assert not device.thisown  # the explicit delete took the device; the proxy frees nothing more
    assert native.delete_IKySoftDeviceGEV(None) is None


# ----- device event sink

def test_event_sink_forwards_to_overrides_and_plain_sink_does_nothing():
    sink = RecordingSink()
    dev = ky.KySoftDeviceGEV()
    # through the instance object alone the call is virtual: it reaches the override
    assert native.IKySoftDeviceGEVEventSink_OnApplicationConnect(sink.this, dev, "10.0.0.1", 3956, 2) is None
    name, device, ip, port, access = sink.calls[0]
    assert type(device) is ky.IKySoftDeviceGEV and device is not dev and not device.thisown
    assert type(ip) is ky.KyString and port == 3956 and access == ky.KyAccessControl
    # upcalls and operations the subclass leaves alone do nothing
    assert native.IKySoftDeviceGEVEventSink_OnApplicationConnect(sink, dev, "10.0.0.1", 3956, 2) is None
    assert native.IKySoftDeviceGEVEventSink_OnControlChannelStop(sink.this, None) is None
    assert len(sink.calls) == 1
    plain = ky.IKySoftDeviceGEVEventSink()
    for name, args in [("OnApplicationConnect", (None, "a", 1, 7)),
                       ("OnControlChannelStart", (None, "m", "i", "k", "g", 3956)),
                       ("OnApplicationDisconnect", (None,)), ("OnControlChannelStop", (None,)),
                       ("OnDeviceResetFull", (None,)), ("OnDeviceResetNetwork", (None,)),
                       ("OnCreateCustomRegisters", (None, None)), ("OnCreateCustomGenApiFeatures", (None, None))]:
        assert getattr(native, "IKySoftDeviceGEVEventSink_" + name)(plain, *args) is None


def test_event_sink_raising_override_prints_its_line(capfd):
    class Raising(ky.IKySoftDeviceGEVEventSink):
        def OnApplicationConnect(self, *args):
            raise ValueError("x")

    sink = Raising()
    with pytest.raises(RuntimeError) as raised:
        native.IKySoftDeviceGEVEventSink_OnApplicationConnect(sink.this, None, "a", 1, 2)
    line = "In method 'OnApplicationConnect': ValueError: x"
    assert str(raised.value) == "SWIG director method error. " + line
    assert capfd.readouterr().out == line + "\n"


SINK_ERRORS = [
    ("port-overflow", native.IKySoftDeviceGEVEventSink_OnApplicationConnect, (None, "a", 65536, 2), OverflowError,
     arg_text("IKySoftDeviceGEVEventSink_OnApplicationConnect", 4, "uint16_t")),
    ("address-bytes", native.IKySoftDeviceGEVEventSink_OnApplicationConnect, (None, b"a", 1, 2), TypeError,
     "Argument 3: failed to create KyString from Python string"),
    ("access-overflow", native.IKySoftDeviceGEVEventSink_OnApplicationConnect, (None, "a", 1, 2 ** 31),
     OverflowError, arg_text("IKySoftDeviceGEVEventSink_OnApplicationConnect", 5, "KyAccessType")),
    ("start-port", native.IKySoftDeviceGEVEventSink_OnControlChannelStart, (None, "m", "i", "k", "g", -1),
     OverflowError, arg_text("IKySoftDeviceGEVEventSink_OnControlChannelStart", 7, "uint16_t")),
    ("gateway-int", native.IKySoftDeviceGEVEventSink_OnControlChannelStart, (None, "m", "i", "k", 5, 1),
     TypeError, "Argument 6: failed to create KyString from Python string"),
    ("count", native.IKySoftDeviceGEVEventSink_OnApplicationConnect, (None, "a"), TypeError,
     "IKySoftDeviceGEVEventSink_OnApplicationConnect expected 5 arguments, got 3"),
    ("factory-kind", native.IKySoftDeviceGEVEventSink_OnCreateCustomRegisters, (None, ky.KyString("x")), TypeError,
     arg_text("IKySoftDeviceGEVEventSink_OnCreateCustomRegisters", 3, "IKyRegisterFactory *")),
    ("device-kind", native.IKySoftDeviceGEVEventSink_OnDeviceResetFull, (ky.KyString("x"),), TypeError,
     arg_text("IKySoftDeviceGEVEventSink_OnDeviceResetFull", 2, "IKySoftDeviceGEV *")),
]


@pytest.mark.parametrize("function,args,error,text", [c[1:] for c in SINK_ERRORS], ids=[c[0] for c in SINK_ERRORS])
def test_event_sink_argument_errors(function, args, error, text):
    with pytest.raises(error) as raised:
        function(ky.IKySoftDeviceGEVEventSink(), *args)
    assert type(raised.value) is error and str(raised.value) == text


@pytest.mark.parametrize("cls", ["IKySoftDeviceGEVEventSink", "IKyRegisterEventSink", "IKyUserSetNotify"])
def test_callback_none_rules(cls):
    assert getattr(native, "delete_" + cls)(None) is None
    assert getattr(native, "disown_" + cls)(None) is None
    with pytest.raises(TypeError) as raised:
        getattr(native, "delete_" + cls)(ky.KyString("x"))
    assert str(raised.value) == arg_text("delete_" + cls, 1, cls + " *")
    with pytest.raises(TypeError) as raised:
        getattr(native, "disown_" + cls)(5)
    assert str(raised.value) == arg_text("disown_" + cls, 1, cls + " *")


# ----- register event sink

class ResultSink(ky.IKyRegisterEventSink):
    def __init__(self, value):
        super().__init__()
        self.value = value

    def PreRead(self, register):
        return self.value

    def PreWrite(self, register):
        return self.value

    def Persist(self, register, store):
        return self.value


MISMATCH = "SWIG director type mismatch in method %s with output value of type 'KyResult'"


@pytest.mark.parametrize("value,code", [(0, 0), (False, 0), (True, 1), (-1, 4294967295), (16385, 16385),
                                        (-2 ** 31, 2 ** 31), (ky.KyResult(ky.KY_TIMEOUT), ky.KY_TIMEOUT)])
def test_register_sink_results_from_python(value, code):
    sink = ResultSink(value)
    for operation in ("PreRead", "PreWrite", "Persist"):
        args = (None, None) if operation == "Persist" else (None,)
        result = getattr(native, "IKyRegisterEventSink_" + operation)(sink.this, *args)
        assert type(result) is ky.KyResult and result.GetCode() == code


@pytest.mark.parametrize("value", [2 ** 31, -2 ** 31 - 1, 2 ** 70, "0", 1.0, None, ky.KyString("x")])
def test_register_sink_unusable_results_are_a_type_mismatch(value, capfd):
    sink = ResultSink(value)
    for operation in ("PreRead", "PreWrite", "Persist"):
        args = (None, None) if operation == "Persist" else (None,)
        with pytest.raises(TypeError) as raised:
            getattr(native, "IKyRegisterEventSink_" + operation)(sink.this, *args)
        assert str(raised.value) == MISMATCH % operation
    assert capfd.readouterr().out == ""  # nothing printed on this path


def test_register_sink_defaults_and_upcalls():
    plain = ky.IKyRegisterEventSink()
    assert native.IKyRegisterEventSink_PreRead(plain, None).GetCode() == ky.KY_OK
    assert native.IKyRegisterEventSink_PreWrite(plain, None).GetCode() == ky.KY_OK
    assert native.IKyRegisterEventSink_PostRead(plain, None) is None
    assert native.IKyRegisterEventSink_PostWrite(plain, None) is None
    assert native.IKyRegisterEventSink_Persist(plain, None, None).GetCode() == ky.KY_NOT_IMPLEMENTED

    class OnlyPostWrite(ky.IKyRegisterEventSink):
        def PostWrite(self, register):
            self.seen = register

    sink = OnlyPostWrite()
    assert native.IKyRegisterEventSink_PreRead(sink.this, None).GetCode() == ky.KY_OK
    assert native.IKyRegisterEventSink_PreWrite(sink.this, None).GetCode() == ky.KY_OK
    assert native.IKyRegisterEventSink_Persist(sink.this, None, None).GetCode() == 1540
    assert native.IKyRegisterEventSink_PostWrite(sink.this, None) is None and sink.seen is None
    with pytest.raises(TypeError) as raised:
        native.IKyRegisterEventSink_Persist(sink, None, ky.KyString("x"))
    assert str(raised.value) == arg_text("IKyRegisterEventSink_Persist", 3, "IKyRegisterStore *")
    with pytest.raises(TypeError) as raised:
        native.IKyRegisterEventSink_PreRead(None, None)
    assert str(raised.value) == arg_text("IKyRegisterEventSink_PreRead", 1, "IKyRegisterEventSink *")


def test_register_sink_raising_override(capfd):
    class Raising(ky.IKyRegisterEventSink):
        def PreWrite(self, register):
            raise ValueError("out of range")

    with pytest.raises(RuntimeError) as raised:
        sink = Raising()
        native.IKyRegisterEventSink_PreWrite(sink.this, None)
    line = "In method 'PreWrite': ValueError: out of range"
    assert str(raised.value) == "SWIG director method error. " + line
    assert capfd.readouterr().out == line + "\n"


# ----- user-set notification

class Notify(ky.IKyUserSetNotify):
    def __init__(self, value=0):
        super().__init__()
        self.value = value
        self.calls = []

    def UserSetStateNotify(self, state, index):
        self.calls.append((state, index))
        return self.value


def test_user_set_notify_forwards_and_converts():
    notify = Notify()
    result = native.IKyUserSetNotify_UserSetStateNotify(notify.this, ky.KyUserSetStateSaveCompleted, 2 ** 32 - 1)
    assert result.GetCode() == ky.KY_OK and notify.calls == [(1, 4294967295)]
    notify.value = ky.KyResult(ky.KY_STATE_ERROR)
    assert native.IKyUserSetNotify_UserSetStateNotify(notify.this, 3, 0).GetCode() == ky.KY_STATE_ERROR
    notify.value = None
    with pytest.raises(TypeError) as raised:
        native.IKyUserSetNotify_UserSetStateNotify(notify.this, 3, 0)
    assert str(raised.value) == MISMATCH % "UserSetStateNotify"


def test_user_set_notify_pure_and_argument_rules(capfd):
    with pytest.raises(RuntimeError) as raised:
        native.new_IKyUserSetNotify(None)
    assert str(raised.value) == "accessing abstract class or protected constructor"
    notify = Notify()
    with pytest.raises(RuntimeError) as raised:
        native.IKyUserSetNotify_UserSetStateNotify(notify, 0, 1)  # the upcall: the operation is pure
    assert str(raised.value) == "SWIG director pure virtual method called IKyUserSetNotify::UserSetStateNotify"
    with pytest.raises(OverflowError) as raised:
        native.IKyUserSetNotify_UserSetStateNotify(notify, 0, -1)
    assert str(raised.value) == arg_text("IKyUserSetNotify_UserSetStateNotify", 3, "uint32_t")
    with pytest.raises(OverflowError) as raised:
        native.IKyUserSetNotify_UserSetStateNotify(notify, 2 ** 31, 1)
    assert str(raised.value) == arg_text("IKyUserSetNotify_UserSetStateNotify", 2, "KyUserSetState")

    class Missing(ky.IKyUserSetNotify):
        pass

    with pytest.raises(RuntimeError) as raised:
        missing = Missing()
        native.IKyUserSetNotify_UserSetStateNotify(missing.this, 0, 1)
    pure = "RuntimeError: SWIG director pure virtual method called IKyUserSetNotify::UserSetStateNotify"
    assert str(raised.value) == "SWIG director method error. In method 'UserSetStateNotify': " + pure
    assert capfd.readouterr().out == "In method 'UserSetStateNotify': " + pure + "\n"
