"""The GenICam parameter array of a soft camera, reached the user's way (device, GetParameters):
browsing with down-casts, one feature's road by name, its invalidated neighbour, selectors,
update sinks and threads."""
import re
import threading

import _tavro_python as native
import pytest
import tavro_python as ky

CAMERA_1_IP = "10.10.1.2"
CLASSES = {ky.KyGenTypeInteger: "KyGenInteger", ky.KyGenTypeFloat: "KyGenFloat", ky.KyGenTypeEnum: "KyGenEnum",
           ky.KyGenTypeBoolean: "KyGenBoolean", ky.KyGenTypeString: "KyGenString",
           ky.KyGenTypeCommand: "KyGenCommand", ky.KyGenTypeRegister: "KyGenRegister"}


def swig_type(obj):
    return re.search(r"Swig Object of type '([^']+)'", repr(obj)).group(1)


def address(obj):
    return int(obj.this) if hasattr(obj, "this") else int(obj)


@pytest.fixture
def device(cameras):
    r, dev = native.KyDevice_CreateAndConnect(CAMERA_1_IP)
    assert r.IsOK(), str(r.GetDescription())
    yield dev
    native.KyDevice_Free(dev)


@pytest.fixture
def params(device):
    array = native.KyDevice_GetParameters(device)
    assert type(array) is ky.KyGenParameterArray and not array.thisown
    return array


def test_browsing_every_feature(params):
    count = native.KyGenParameterArray_GetCount(params)
    assert count > 20
    names = set()
    for index in range(count):
        item = native.KyGenParameterArray_Get(params, index)
        assert swig_type(item)[:-2] in CLASSES.values()
        assert address(item) == address(native.KyGenParameterArray___getitem__(params, index))
        names.add(swig_type(item))
    assert native.KyGenParameterArray_Get(params, count) is None
    assert {"KyGenInteger *", "KyGenEnum *", "KyGenCommand *", "KyGenBoolean *", "KyGenString *"} <= names
    for name, cls in [("Width", "KyGenInteger"), ("PixelFormat", "KyGenEnum"), ("AcquisitionStart", "KyGenCommand"),
                      ("DeviceVendorName", "KyGenString"), ("ExposureTime", "KyGenFloat")]:
        assert swig_type(native.KyGenParameterArray_Get(params, name)) == cls + " *", name
    assert native.KyGenParameterArray_GetInteger(params, "ExposureTime") is None
    assert native.KyGenParameterArray_GetFloat(params, "Width") is None
    categories = native.KyGenParameterArray_GetCategoryCount(params)
    assert categories > 0
    for index in range(categories):
        assert swig_type(native.KyGenParameterArray_GetCategory(params, index)) == "KyGenCategory *"
    assert native.KyGenParameterArray_GetCategory(params, categories) is None
    assert native.KyGenParameterArray_GetAccessMode(params) == ky.KyGenAccessModeReadWrite


def test_communication_parameters(device):
    link = native.KyDevice_GetCommunicationParameters(device)
    assert type(link) is ky.KyGenParameterArray
    for index in range(native.KyGenParameterArray_GetCount(link)):
        assert swig_type(native.KyGenParameterArray_Get(link, index))[:-2] in CLASSES.values()


def test_width_by_name(params):
    r, low, high = native.KyGenParameterArray_GetIntegerRange(params, "Width")
    assert r.IsOK() and 0 < low < high
    r, width = native.KyGenParameterArray_GetIntegerValue(params, "Width")
    r, payload = native.KyGenParameterArray_GetIntegerValue(params, "PayloadSize")
    assert r.IsOK() and payload > 0
    new_width = width - 64 if width - 64 >= low else width + 64
    assert native.KyGenParameterArray_SetIntegerValue(params, "Width", new_width).IsOK()
    r, now = native.KyGenParameterArray_GetIntegerValue(params, "Width")
    assert r.IsOK() and now == new_width
    r, new_payload = native.KyGenParameterArray_GetIntegerValue(params, "PayloadSize")
    assert r.IsOK() and new_payload == payload // width * new_width
    # refusals leave the value
    assert not native.KyGenParameterArray_SetIntegerValue(params, "Width", high + 1024).IsOK()
    assert not native.KyGenParameterArray_SetIntegerValue(params, "PayloadSize", 5).IsOK()
    assert native.KyGenParameterArray_GetIntegerValue(params, "Width")[1] == new_width
    assert native.KyGenParameterArray_SetIntegerValue(params, "Width", width).IsOK()
    r, pixel_format = native.KyGenParameterArray_GetEnumValueString(params, "PixelFormat")
    assert r.IsOK() and type(pixel_format) is str
    r, text = native.KyGenParameterArray_GetStringValue(params, "DeviceModelName")
    assert r.IsOK() and text == "PyModelA"
    result = native.KyGenParameterArray_GetFloatRange(params, "NoSuchFeature")
    assert type(result) is tuple and result[1:] == (None, None)
    assert native.KyGenParameterArray_InvalidateCache(params).IsOK()
    assert native.KyGenParameterArray_Poll(params).IsOK()


def test_selectors_of_the_camera(params):
    selector = native.KyGenParameterArray_Get(params, "EventSelector")
    assert native.KyGenParameterArray_GetEnumValueString(params, "EventSelector")[0].IsOK()
    # through a list: the selected feature comes back as its typed class
    if hasattr(ky, "KyGenEnum"):
        r, selected = native.KyGenParameter_GetSelectedParameters(selector)
        assert r.IsOK() and native.KyGenParameterList_GetSize(selected) >= 1
        assert swig_type(native.KyGenParameterList_GetFirst(selected)) == "KyGenEnum *"
    for event in ("ExposureEnd", "OverTrigger"):
        assert native.KyGenParameterArray_SetEnumValue(params, "EventSelector", event)[0].IsOK()
        assert native.KyGenParameterArray_SetEnumValue(params, "EventNotification", "On")[0].IsOK()
        assert native.KyGenParameterArray_GetEnumValueString(params, "EventNotification")[1] == "On"
        assert native.KyGenParameterArray_SetEnumValue(params, "EventNotification", 0).IsOK()
        assert native.KyGenParameterArray_GetEnumValueString(params, "EventNotification")[1] == "Off"


def test_threads_write_and_browse(params):
    rounds = 60
    errors = []
    r, low, high = native.KyGenParameterArray_GetIntegerRange(params, "Width")
    r, inc = native.KyGenParameterArray_GetIntegerValue(params, "WidthInc")
    r, hlow, hhigh = native.KyGenParameterArray_GetIntegerRange(params, "Height")
    widths = [low + inc * (k % 8) for k in range(rounds)]
    heights = [hlow + (k % 8) for k in range(rounds)]

    def write(name, values):
        for v in values:
            result = native.KyGenParameterArray_SetIntegerValue(params, name, v)
            if not result.IsOK():
                errors.append((name, v, str(result.GetDescription())))

    def browse():
        for _ in range(3):
            for index in range(native.KyGenParameterArray_GetCount(params)):
                if native.KyGenParameterArray_Get(params, index) is None:
                    errors.append(("browse", index))

    threads = [threading.Thread(target=write, args=("Width", widths)),
               threading.Thread(target=write, args=("Height", heights)), threading.Thread(target=browse)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(120)
    assert not any(t.is_alive() for t in threads)
    assert errors == []
    assert native.KyGenParameterArray_GetIntegerValue(params, "Width")[1] == widths[-1]
    assert native.KyGenParameterArray_GetIntegerValue(params, "Height")[1] == heights[-1]
