"""The USB3 Vision stream opened from a discovery record: KySystem_Find lists the simulated camera,
KyStream_CreateAndOpen(record) hands out a KyStreamU3V, and the record forms of KyStreamU3V_Open
take it with the defaults filled in. The camera is plugged into this process's own controller;
discovery also broadcasts on the namespace's adapters, hence the namespace."""
import numpy
import pytest

import _tavro_python as native
import tavro_python as ky
import tavro_testing as testing

GUID = "00B0C0D0E0F1"
WIDTH, HEIGHT = 64, 48


@pytest.fixture
def record():
    assert testing.PlugSoftU3v(GUID, "PyU3vRec-1", "PyU3vRecord", WIDTH, HEIGHT) == ky.KY_OK
    system = ky.KySystem()
    assert system.Find().IsOK()
    found = [system.GetDeviceInfo(i) for i in range(system.GetDeviceCount())
             if system.GetDeviceInfo(i).GetType() == ky.KyDeviceInfoTypeU3V]
    assert len(found) == 1
    yield found[0]
    del system
    testing.UnplugSoftU3v(GUID)


def integer(stream, name):
    r, value = native.KyGenParameterArray_GetIntegerValue(native.KyStream_GetParameters(stream), name)
    assert r.IsOK()
    return value


def test_create_and_open_a_record_gives_a_u3v_stream_that_streams(record):
    r, stream = native.KyStream_CreateAndOpen(record)
    assert r.IsOK(), str(r.GetDescription())
    assert type(stream) is ky.KyStreamU3V and not stream.thisown
    assert str(native.KyStreamU3V_GetGUID(stream)) == GUID
    r, device = native.KyDevice_CreateAndConnect(record)
    assert r.IsOK(), str(r.GetDescription())
    buffer = ky.KyBuffer(ky.KyPayloadTypeImage)
    assert buffer.Alloc(WIDTH * HEIGHT).IsOK()
    assert native.KyStream_QueueBuffer(stream, buffer).GetCode() == ky.KY_PENDING
    params = native.KyDevice_GetParameters(device)
    assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStart").IsOK()
    r, got, operation = native.KyStream_RetrieveBuffer(stream, 5000)
    assert r.IsOK() and operation.IsOK(), str(operation.GetDescription())
    assert got == buffer and got is not buffer
    x = numpy.arange(WIDTH, dtype=numpy.uint32)[numpy.newaxis, :]
    y = numpy.arange(HEIGHT, dtype=numpy.uint32)[:, numpy.newaxis]
    frame = got.GetBlockID() - 1
    expected = ((x + 3 * y + 5 * frame + ((x ^ y) >> 4)) % 256).astype(numpy.uint8)
    assert numpy.array_equal(got.GetImage().GetDataPointer(), expected)
    assert native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStop").IsOK()
    assert native.KyStream_Close(stream).IsOK()
    native.KyStream_Free(stream)
    native.KyDevice_Free(device)


@pytest.mark.parametrize("args,expected", [
    ((), (64, 512, 64)),
    ((0,), (64, 512, 64)),
    ((0, 16), (16, 512, 64)),
    ((0, 16, 2048), (16, 2048, 64)),
    ((0, 16, 2048, 3), (16, 2048, 3)),
], ids=["base", "channel", "capacity", "threshold", "pending"])
def test_record_forms_fill_in_the_defaults(record, args, expected):
    stream = ky.KyStreamU3V()
    r = native.KyStreamU3V_Open(stream, record, *args)
    assert r.IsOK(), str(r.GetDescription())
    assert (native.KyStream_GetQueuedBufferMaximum(stream), integer(stream, "SmallImageThreshold"),
            integer(stream, "MaximumNumberOfPendingURB")) == expected
    assert native.KyStream_Close(stream).IsOK()
