"""KyDeviceAdapter and KyDeviceSerialPort against a soft camera: the adapter's by-name, register
and memory access, the serial port's loop back through the control link, counters, progress seen
from another thread, the interpreter lock released while a read waits, and the argument rules of
the flat functions."""
import threading
import time

import _tavro_python as native
import numpy
import pytest
import tavro_python as ky

CAMERA_1_IP = "10.10.1.2"
VERSION = 0x0000
SERIAL_BAUD_RATE = 0x3FFF0308


@pytest.fixture
def device(cameras):
    r, dev = native.KyDevice_CreateAndConnect(CAMERA_1_IP)
    assert r.IsOK(), str(r.GetDescription())
    yield dev
    native.KyDevice_Free(dev)


@pytest.fixture
def adapter(device):
    a = native.new_KyDeviceAdapter(device)
    yield a
    native.delete_KyDeviceAdapter(a)


@pytest.fixture
def port(adapter):
    p = native.new_KyDeviceSerialPort()
    yield p
    native.KyDeviceSerialPort_Close(p)
    native.delete_KyDeviceSerialPort(p)


# ----- adapter

def test_by_name_reads_equal_the_devices(device, adapter):
    text = ky.KyString()
    r = native.KyDeviceAdapter_GetGenStringValue(adapter, "DeviceModelName", text)
    assert type(r) is ky.KyResult and r.IsOK()
    assert str(text) == "PyModelA"
    entry = ky.KyString()
    assert native.KyDeviceAdapter_GetGenEnumValue(adapter, "PixelFormat", entry).IsOK()
    assert native.KyDeviceAdapter_IsGenEnumEntryAvailable(adapter, "PixelFormat", str(entry)) is True
    assert native.KyDeviceAdapter_IsGenIntegerInNodeMap(adapter, "Width") is True
    assert native.KyDeviceAdapter_IsGenIntegerInNodeMap(adapter, "PixelFormat") is False
    assert native.KyDeviceAdapter_IsGenEnumInNodeMap(adapter, "PixelFormat") is True
    assert native.KyDeviceAdapter_IsGenReadable(adapter, "Width") is True
    assert native.KyDeviceAdapter_IsGenWritable(adapter, "NoSuchFeature") is False
    result = native.KyDeviceAdapter_ReadRegister(adapter, VERSION)
    assert type(result) is tuple and len(result) == 2
    assert result[0].IsOK() and result[1] == native.KyDeviceGEV_ReadRegister(device, VERSION)[1]
    r, unique = native.KyDeviceAdapter_GetUniqueID(adapter)
    assert r.IsOK() and unique == native.KyDevice_GetUniqueID(device)[1]
    for name, expected in [("KyDeviceAdapter_IsConnected", True), ("KyDeviceAdapter_IsGigEVision", True),
                           ("KyDeviceAdapter_IsUSB3Vision", False), ("KyDeviceAdapter_IsTesmarPowered", False)]:
        assert getattr(native, name)(adapter) is expected, name


def test_proxy_class_and_null_buffers(device):
    a = ky.KyDeviceAdapter(device)
    assert a.thisown
    for call in [lambda: native.KyDeviceAdapter_ReadMemory(a, None, 0, 16),
                 lambda: native.KyDeviceAdapter_WriteMemory(a, None, 0, 16),
                 lambda: native.KyDeviceAdapter_GetGenRegisterData(a, "Width", None, 4),
                 lambda: native.KyDeviceAdapter_SetGenRegisterData(a, "Width", None, 4)]:
        r = call()
        assert type(r) is ky.KyResult and r.GetCode() == ky.KY_INVALID_PARAMETER


def test_null_device_answers_not_connected():
    a = native.new_KyDeviceAdapter(None)
    try:
        assert native.KyDeviceAdapter_IsConnected(a) is False
        assert native.KyDeviceAdapter_GetGenStringValue(a, "DeviceModelName", ky.KyString()).GetCode() == \
            ky.KY_NOT_CONNECTED
        r, value = native.KyDeviceAdapter_ReadRegister(a, 0)
        assert r.GetCode() == ky.KY_NOT_CONNECTED and value is None
        r, unique = native.KyDeviceAdapter_GetUniqueID(a)
        assert r.GetCode() == ky.KY_NOT_CONNECTED and unique is None
    finally:
        native.delete_KyDeviceAdapter(a)


@pytest.mark.parametrize("call, error, text", [
    (lambda d, a: native.new_KyDeviceAdapter("camera"), TypeError,
     "in method 'new_KyDeviceAdapter', argument 1 of type 'KyDevice *'"),
    (lambda d, a: native.new_KyDeviceAdapter(ky.KyString("x")), TypeError,
     "in method 'new_KyDeviceAdapter', argument 1 of type 'KyDevice *'"),
    (lambda d, a: native.KyDeviceAdapter_IsConnected(d), TypeError,
     "in method 'KyDeviceAdapter_IsConnected', argument 1 of type 'KyDeviceAdapter *'"),
    (lambda d, a: native.KyDeviceAdapter_GetGenStringValue(a, "DeviceModelName", "text"), TypeError,
     "in method 'KyDeviceAdapter_GetGenStringValue', argument 3 of type 'KyString &'"),
    (lambda d, a: native.KyDeviceAdapter_GetGenIntegerValue(a, 5, None), TypeError,
     "Argument 2: failed to create KyString from Python string"),
    (lambda d, a: native.KyDeviceAdapter_ReadMemory(a, bytearray(16), 0, 16), TypeError,
     "in method 'KyDeviceAdapter_ReadMemory', argument 2 of type 'uint8_t *'"),
    (lambda d, a: native.KyDeviceAdapter_WriteRegister(a, 0, -1), OverflowError,
     "in method 'KyDeviceAdapter_WriteRegister', argument 3 of type 'uint32_t'"),
    (lambda d, a: native.KyDeviceAdapter_RegisterEventSink(a, ky.KyDeviceEventSink()), TypeError,
     "in method 'KyDeviceAdapter_RegisterEventSink', argument 2 of type 'IKyDeviceEventSink *'"),
])
def test_adapter_argument_errors(device, adapter, call, error, text):
    with pytest.raises(error) as raised:
        call(device, adapter)
    assert str(raised.value) == text


def test_adapter_is_a_device_event_sink(device, adapter):
    assert native.KyDevice_RegisterEventSink(device, adapter).IsOK()
    assert native.KyDevice_UnregisterEventSink(device, adapter).IsOK()


# ----- serial port

def test_write_then_read_back(adapter, port):
    assert native.KyDeviceSerialPort_IsSupported(adapter, 0) is True
    assert native.KyDeviceSerialPort_IsSupported(adapter, ky.KyDeviceSerialBulk0) is False
    assert native.KyDeviceSerialPort_IsOpened(port) is False
    assert native.KyDeviceSerialPort_Open(port, adapter, ky.KyDeviceSerial0).IsOK()
    assert native.KyDeviceSerialPort_IsOpened(port) is True
    result = native.KyDeviceSerialPort_Write(port, [0x41, 0x42])
    assert type(result) is list and len(result) == 2
    assert result[0].IsOK() and result[1] == 2
    r, ready = native.KyDeviceSerialPort_GetRxBytesReady(port)
    assert r.IsOK() and ready == 2
    result = native.KyDeviceSerialPort_Read(port, 16, 1000)
    assert type(result) is list and len(result) == 3
    r, data, count = result
    assert isinstance(r, ky.KyResult) and count == 2
    assert data.dtype == numpy.uint8 and data.shape == (16,)
    assert bytes(data[:count]) == b"AB"
    assert native.KyDeviceSerialPort_GetBytesSent(port) == 2
    assert native.KyDeviceSerialPort_GetBytesReceived(port) == 2
    assert native.KyDeviceSerialPort_ResetStatistics(port) is None
    assert native.KyDeviceSerialPort_GetBytesSent(port) == 0
    assert native.KyDeviceSerialPort_GetBytesReceived(port) == 0
    r, size = native.KyDeviceSerialPort_GetRxBufferSize(port)
    assert r.IsOK() and size > 0
    assert native.KyDeviceSerialPort_SetRxBufferSize(port, 1024).IsOK()
    assert native.KyDeviceSerialPort_GetRxBufferSize(port)[1] == 1024
    assert native.KyDeviceSerialPort_FlushRxBuffer(port).IsOK()
    assert native.KyDeviceSerialPort_NotifyReadComplete(port).IsOK()
    assert native.KyDeviceSerialPort_Close(port).IsOK()
    assert native.KyDeviceSerialPort_IsOpened(port) is False


def test_read_on_a_closed_port(port):
    r, data, count = native.KyDeviceSerialPort_Read(port, 16, 0)
    assert not r.IsOK() and data.shape == (16,) and data.dtype == numpy.uint8 and count == 0


def test_progress_from_another_thread_during_a_long_write(adapter, port):
    assert native.KyDeviceAdapter_WriteRegister(adapter, SERIAL_BAUD_RATE, 2400).IsOK()
    assert native.KyDeviceSerialPort_Open(port, adapter, 0).IsOK()
    outcome = []
    writer = threading.Thread(target=lambda: outcome.append(
        native.KyDeviceSerialPort_Write(port, numpy.full(120, 0x55, numpy.uint8))))
    writer.start()
    seen = set()
    while writer.is_alive():
        r, written, total = native.KyDeviceSerialPort_GetWriteProgress(port)
        assert r.IsOK()
        if total == 120 and 0 < written < 120:
            seen.add(written)
        time.sleep(0.005)
    writer.join()
    assert outcome[0][0].IsOK() and outcome[0][1] == 120
    assert len(seen) >= 2
    r, written, total = native.KyDeviceSerialPort_GetWriteProgress(port)
    assert (written, total) == (120, 120)


def test_blocking_read_releases_the_interpreter_lock(adapter, port):
    assert native.KyDeviceSerialPort_Open(port, adapter, 0).IsOK()
    ticks = [0]
    stop = threading.Event()

    def count():
        while not stop.is_set():
            ticks[0] += 1

    counter = threading.Thread(target=count)
    counter.start()
    try:
        before = ticks[0]
        r, data, read = native.KyDeviceSerialPort_Read(port, 4, 600)
        during = ticks[0] - before
    finally:
        stop.set()
        counter.join()
    assert r.GetCode() == ky.KY_TIMEOUT and read == 0
    assert during > 1000


@pytest.mark.parametrize("call, error, text", [
    (lambda p, a, d: native.KyDeviceSerialPort_Read(p, 16), TypeError,
     "KyDeviceSerialPort_Read expected 3 arguments, got 2"),
    (lambda p, a, d: native.KyDeviceSerialPort_Read(p, 16, -1), OverflowError,
     "in method 'KyDeviceSerialPort_Read', argument 5 of type 'uint32_t'"),
    (lambda p, a, d: native.KyDeviceSerialPort_Read(p, 1 << 32, 0), OverflowError,
     "in method 'KyDeviceSerialPort_Read', argument 3 of type 'uint32_t'"),
    (lambda p, a, d: native.KyDeviceSerialPort_Read(p, -1, 0), OverflowError,
     "in method 'KyDeviceSerialPort_Read', argument 3 of type 'uint32_t'"),
    (lambda p, a, d: native.KyDeviceSerialPort_Read(p, 1 << 70, 0), OverflowError,
     "in method 'KyDeviceSerialPort_Read', argument 3 of type 'uint32_t'"),
    (lambda p, a, d: native.KyDeviceSerialPort_Read(p, "16", 0), TypeError,
     "Int dimension expected.  'unknown type' given."),
    (lambda p, a, d: native.KyDeviceSerialPort_Write(p, [[1, 2], [3, 4]]), TypeError,
     "Array must have 1 dimensions.  Given array has 2 dimensions"),
    (lambda p, a, d: native.KyDeviceSerialPort_Open(p, d, 0), TypeError,
     "in method 'KyDeviceSerialPort_Open', argument 2 of type 'IKyDeviceAdapter *'"),
    (lambda p, a, d: native.KyDeviceSerialPort_Open(p, a, 1 << 31), OverflowError,
     "in method 'KyDeviceSerialPort_Open', argument 3 of type 'KyDeviceSerial'"),
    (lambda p, a, d: native.KyDeviceSerialPort_IsSupported(a, "0"), TypeError,
     "in method 'KyDeviceSerialPort_IsSupported', argument 2 of type 'KyDeviceSerial'"),
    (lambda p, a, d: native.KyDeviceSerialPort_RegisterEchoSink(a), TypeError,
     "in method 'KyDeviceSerialPort_RegisterEchoSink', argument 1 of type 'KyDeviceSerialPortEchoSink *'"),
])
def test_serial_argument_errors(device, adapter, port, call, error, text):
    with pytest.raises(error) as raised:
        call(port, adapter, device)
    assert str(raised.value) == text


def test_null_device_and_echo_sink_reach_the_sdk(port):
    assert native.KyDeviceSerialPort_Open(port, None, 0).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyDeviceSerialPort_IsSupported(None, 0) is False
    assert native.KyDeviceSerialPort_RegisterEchoSink(None).GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyDeviceSerialPort_UnregisterEchoSink(None).GetCode() == ky.KY_INVALID_PARAMETER


def test_tesmar_protocol_set_ip_configuration():
    r = native.KyDeviceTesmarProtocol_SetIPConfiguration("00:11:22:33:44:55", "10.10.1.50")
    assert type(r) is ky.KyResult and r.GetCode() == ky.KY_NOT_FOUND
    r = native.KyDeviceTesmarProtocol_SetIPConfiguration("00:11:22:33:44:55", "10.10.1.50", "255.255.0.0",
                                                         "10.10.1.1")
    assert r.GetCode() == ky.KY_NOT_FOUND
    with pytest.raises(TypeError) as raised:
        native.KyDeviceTesmarProtocol_SetIPConfiguration("00:11:22:33:44:55")
    assert "KyDeviceTesmarProtocol::SetIPConfiguration(KyString const &,KyString const &)" in str(raised.value)


def test_adapter_docstrings():
    doc = native.KyDeviceAdapter_IsGenReadable.__doc__
    assert "See IKyDeviceAdapter for description." in doc
    assert ":param aParameterName: Name of the parameter to test for." in doc
    assert "True if the parameter is present and readable, false if either condition fails." in doc
    assert "Constructor." in native.new_KyDeviceAdapter.__doc__
