"""Typed GenICam features, enumeration entries, categories and the state stack on the road a program
takes: a soft camera's parameters from KyDevice_GetParameters, read and written through the
feature classes, refusals of the device model, and a state stack that puts everything back."""
import _tavro_python as native
import pytest
import tavro_python as ky

CAMERA_1_IP = "10.10.1.2"


@pytest.fixture
def params(cameras):
    r, dev = native.KyDevice_CreateAndConnect(CAMERA_1_IP)
    assert r.IsOK(), str(r.GetDescription())
    array = native.KyDevice_GetParameters(dev)
    assert type(array) is ky.KyGenParameterArray
    yield array
    native.KyDevice_Free(dev)


def value(getter, feature):
    r, v = getter(feature)
    assert type(r) is ky.KyResult and r.IsOK(), str(r.GetDescription())
    return v


def test_width_by_object_range_increment_unit(params):
    width = native.KyGenParameterArray_GetInteger(params, "Width")
    assert type(width) is ky.KyGenInteger and not width.thisown
    low, high = value(native.KyGenInteger_GetMin, width), value(native.KyGenInteger_GetMax, width)
    step = value(native.KyGenInteger_GetIncrement, width)
    assert 0 < low <= high and step >= 1
    assert value(native.KyGenInteger_GetRepresentation, width) in ky.KyGenRepresentation.values()
    assert type(value(native.KyGenInteger_GetUnit, width)) is str
    before = value(native.KyGenInteger_GetValue, width)
    target = low + step if before != low + step else low
    assert native.KyGenInteger_SetValue(width, target).IsOK()
    assert value(native.KyGenInteger_GetValue, width) == target
    assert native.KyGenParameterArray_GetIntegerValue(params, "Width")[1] == target
    # refused by the device model: the value stays
    for refused in (high + step, low - step):
        r = native.KyGenInteger_SetValue(width, refused)
        assert r.GetCode() == ky.KY_INVALID_PARAMETER, refused
        assert value(native.KyGenInteger_GetValue, width) == target
    if step > 1:
        assert native.KyGenInteger_SetValue(width, target + 1).GetCode() == ky.KY_INVALID_PARAMETER
        assert value(native.KyGenInteger_GetValue, width) == target
    # the wrong typed look-ups give None
    assert native.KyGenParameterArray_GetFloat(params, "Width") is None
    assert native.KyGenParameterArray_GetEnum(params, "Width") is None


def test_read_only_features_refuse_writes(params):
    payload = native.KyGenParameterArray_GetInteger(params, "PayloadSize")
    before = value(native.KyGenInteger_GetValue, payload)
    assert native.KyGenInteger_SetValue(payload, before + 4).GetCode() == ky.KY_STATE_ERROR
    assert value(native.KyGenInteger_GetValue, payload) == before
    model = native.KyGenParameterArray_GetString(params, "DeviceModelName")
    assert value(native.KyGenString_GetValue, model) == "PyModelA"
    assert native.KyGenString_SetValue(model, "Other").GetCode() == ky.KY_STATE_ERROR
    assert value(native.KyGenString_GetValue, model) == "PyModelA"


def test_float_feature(params):
    exposure = native.KyGenParameterArray_GetFloat(params, "ExposureTime")
    assert type(exposure) is ky.KyGenFloat
    assert value(native.KyGenFloat_GetMin, exposure) == 10.0
    assert value(native.KyGenFloat_GetMax, exposure) == 1000000.0
    assert value(native.KyGenFloat_GetUnit, exposure) == "us"
    assert native.KyGenFloat_SetValue(exposure, 5000).IsOK()
    assert value(native.KyGenFloat_GetValue, exposure) == 5000.0
    assert native.KyGenFloat_SetValue(exposure, 2e6).GetCode() == ky.KY_INVALID_PARAMETER
    assert value(native.KyGenFloat_GetValue, exposure) == 5000.0


def test_string_and_boolean_features(params):
    user_id = native.KyGenParameterArray_GetString(params, "DeviceUserID")
    assert type(user_id) is ky.KyGenString
    length = value(native.KyGenString_GetMaxLength, user_id)
    assert length > 4
    assert native.KyGenString_SetValue(user_id, "py-cam").IsOK()
    assert value(native.KyGenString_GetValue, user_id) == "py-cam"
    assert native.KyGenString_SetValue(user_id, "x" * (length + 1)).GetCode() == ky.KY_INVALID_PARAMETER
    assert value(native.KyGenString_GetValue, user_id) == "py-cam"
    flag = native.KyGenParameterArray_GetBoolean(params, "GevSCPSDoNotFragment")
    assert type(flag) is ky.KyGenBoolean
    before = value(native.KyGenBoolean_GetValue, flag)
    assert native.KyGenBoolean_SetValue(flag, not before).IsOK()
    assert value(native.KyGenBoolean_GetValue, flag) is (not before)
    assert native.KyGenBoolean_SetValue(flag, before).IsOK()


def test_command_feature(params):
    latch = native.KyGenParameterArray_GetCommand(params, "GevTimestampControlLatch")
    assert type(latch) is ky.KyGenCommand
    r = native.KyGenCommand_Execute(latch)
    assert type(r) is ky.KyResult and r.IsOK()
    r, done = native.KyGenCommand_IsDone(latch)
    assert r.IsOK() and done is True


def test_enumeration_entries_and_values(params):
    mode = native.KyGenParameterArray_GetEnum(params, "AcquisitionMode")
    assert type(mode) is ky.KyGenEnum
    assert value(native.KyGenEnum_GetEntriesCount, mode) == 2
    names = []
    for index in range(2):
        r, entry = native.KyGenEnum_GetEntryByIndex(mode, index)
        assert r.IsOK() and type(entry) is ky.KyGenEnumEntry
        names.append(value(native.KyGenEnumEntry_GetName, entry))
        assert value(native.KyGenEnumEntry_GetValue, entry) == index
        assert value(native.KyGenEnumEntry_IsAvailable, entry) is True
    assert names == ["Continuous", "SingleFrame"]
    for index in (2, -1):
        r, entry = native.KyGenEnum_GetEntryByIndex(mode, index)
        assert r.GetCode() == ky.KY_NOT_FOUND and entry is None
    assert native.KyGenEnum_SetValue(mode, "SingleFrame").IsOK()
    assert value(native.KyGenEnum_GetValueInt, mode) == 1
    assert native.KyGenEnum_SetValue(mode, 0).IsOK()
    assert value(native.KyGenEnum_GetValueString, mode) == "Continuous"
    assert native.KyGenEnum_SetValue(mode, "NoSuchMode").GetCode() == ky.KY_INVALID_PARAMETER
    assert value(native.KyGenEnum_GetValueString, mode) == "Continuous"
    pixel_format = native.KyGenParameterArray_GetEnum(params, "PixelFormat")
    r, mono8 = native.KyGenEnum_GetEntryByName(pixel_format, "Mono8")
    assert r.IsOK() and value(native.KyGenEnumEntry_GetValue, mono8) == ky.KyPixelMono8
    r, same = native.KyGenEnum_GetEntryByValue(pixel_format, ky.KyPixelMono8)
    assert r.IsOK() and value(native.KyGenEnumEntry_GetName, same) == "Mono8"


def test_categories_browse(params):
    count = native.KyGenParameterArray_GetCategoryCount(params)
    assert count > 0
    names = []
    for index in range(count):
        category = native.KyGenParameterArray_GetCategory(params, index)
        assert type(category) is ky.KyGenCategory
        names.append(value(native.KyGenCategory_GetName, category))
        assert value(native.KyGenCategory_IsImplemented, category) is True
    assert "ImageFormatControl" in names and len(set(names)) == count
    assert native.KyGenParameterArray_GetCategory(params, count) is None
    width = native.KyGenParameterArray_Get(params, "Width")
    assert native.KyGenParameter_GetCategory(width)[1] == "ImageFormatControl"


def test_state_stack_puts_the_device_back(params):
    def snapshot():
        return (native.KyGenParameterArray_GetIntegerValue(params, "Width")[1],
                native.KyGenParameterArray_GetEnumValueString(params, "AcquisitionMode")[1],
                native.KyGenParameterArray_GetFloatValue(params, "ExposureTime")[1],
                native.KyGenParameterArray_GetBooleanValue(params, "GevSCPSDoNotFragment")[1],
                native.KyGenParameterArray_GetStringValue(params, "DeviceUserID")[1])

    original = snapshot()
    width = native.KyGenParameterArray_GetInteger(params, "Width")
    low, step = value(native.KyGenInteger_GetMin, width), value(native.KyGenInteger_GetIncrement, width)
    first, second = [w for w in (low + 3 * step, low + 5 * step, low + 7 * step) if w != original[0]][:2]
    stack = ky.KyGenStateStack(params)
    assert stack.SetIntegerValue("Width", first).IsOK()
    # the same feature twice: restoring the latest change first ends at the first value
    assert stack.SetIntegerValue("Width", second).IsOK()
    assert stack.SetEnumValue("AcquisitionMode", "SingleFrame")[1] == "SingleFrame"
    assert stack.SetFloatValue("ExposureTime", 777).IsOK()
    assert stack.SetBooleanValue("GevSCPSDoNotFragment", not original[3]).IsOK()
    assert stack.SetStringValue("DeviceUserID", "stacked")[1] == "stacked"
    assert snapshot() == (second, "SingleFrame", 777.0, not original[3], "stacked")
    del stack
    assert snapshot() == original
