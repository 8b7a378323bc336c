"""Typed GenICam features (integer, float, enumeration and its entries, boolean, command, string,
register), categories and the state stack, through our node map over a test device
(tests/python/data/typed_features.xml) whose registers live in memory: the feature kinds that the
soft camera lacks, without a network."""
import os
import threading
import time

import _tavro_python as native
import tavro_testing as testing
import numpy
import pytest
import tavro_python as ky

SOURCE_DIR = os.environ.get("KY_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
XML = os.path.join(SOURCE_DIR, "tests", "python", "data", "typed_features.xml")

# Registers of the test device.
WIDTH_REG = 0x00
PIXEL_FORMAT_REG = 0x08
EXPOSURE_REG = 0x10
REVERSE_X_REG = 0x20
ACQUISITION_START_REG = 0x30
USER_ID_REG = 0x40
LUT_REG = 0x80

MONO8, MONO16, RGB8 = 0x01080001, 0x01100007, 0x02180014


@pytest.fixture
def device():
    dev = testing.TestNodeMap()
    dev.Poke32(WIDTH_REG, 640)
    dev.Poke32(PIXEL_FORMAT_REG, MONO8)
    dev.Poke32(EXPOSURE_REG, 0x407F4000)  # 500.0 as a big-endian double
    r = dev.Load(XML)
    assert r.IsOK(), str(r.GetDescription())
    return dev


@pytest.fixture
def params(device):
    return device.GetParameters()


class Features:
    """The features and categories of the test device that the tables below use, by role."""

    def __init__(self, params):
        get = native.KyGenParameterArray_Get
        self.params = params
        self.width = get(params, "Width")
        self.offset = get(params, "OffsetX")
        self.sensor_width = get(params, "SensorWidth")
        self.write_only = get(params, "WriteOnlyReg")
        self.exposure = get(params, "ExposureTime")
        self.gain = get(params, "Gain")
        self.pixel_format = get(params, "PixelFormat")
        self.reverse = get(params, "ReverseX")
        self.cooled = get(params, "SensorCooled")
        self.arm = get(params, "TriggerArm")
        self.start = get(params, "AcquisitionStart")
        self.user_id = get(params, "DeviceUserID")
        self.host_text = get(params, "HostText")
        self.lut = get(params, "LutValues")
        self.category = native.KyGenParameterArray_GetCategory(params, "ImageFormatControl")
        self.entry = native.KyGenEnum_GetEntryByIndex(self.pixel_format, 0)[1]
        self.stack = native.new_KyGenStateStack(params)

    def close(self):
        native.delete_KyGenStateStack(self.stack)


@pytest.fixture
def f(params):
    features = Features(params)
    yield features
    features.close()


def accesses(device):
    """Reads and writes of the test device's registers so far."""
    return device.Reads() + device.Writes()


def ok(result):
    return type(result) is ky.KyResult and result.IsOK()


def code(result):
    assert type(result) is ky.KyResult
    return result.GetCode()


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


def kystring_text(position):
    return "Argument %d: failed to create KyString from Python string" % position


ENUM_SET_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'KyGenEnum_SetValue'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    KyGenEnum::SetValue(int64_t)\n"
    "    KyGenEnum::SetValue(KyString const &)\n")
STACK_ENUM_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'KyGenStateStack_SetEnumValue'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    KyGenStateStack::SetEnumValue(KyString const &,KyString const &)\n"
    "    KyGenStateStack::SetEnumValue(KyString const &,int64_t)\n")


# ---------------------------------------------------------------------------------------------
# Lookups hand out the typed classes, borrowed.

TYPED = [
    ("Width", ky.KyGenInteger, ky.KyGenTypeInteger),
    ("WriteOnlyReg", ky.KyGenInteger, ky.KyGenTypeInteger),
    ("ExposureTime", ky.KyGenFloat, ky.KyGenTypeFloat),
    ("PixelFormat", ky.KyGenEnum, ky.KyGenTypeEnum),
    ("ReverseX", ky.KyGenBoolean, ky.KyGenTypeBoolean),
    ("AcquisitionStart", ky.KyGenCommand, ky.KyGenTypeCommand),
    ("DeviceUserID", ky.KyGenString, ky.KyGenTypeString),
    ("LutValues", ky.KyGenRegister, ky.KyGenTypeRegister),
]


@pytest.mark.parametrize("name,cls,gen_type", TYPED, ids=[t[0] for t in TYPED])
def test_features_come_as_their_typed_class(params, name, cls, gen_type):
    feature = native.KyGenParameterArray_Get(params, name)
    assert type(feature) is cls and not feature.thisown
    # a typed feature is a KyGenParameter too
    assert native.KyGenParameter_GetName(feature)[1] == name
    assert native.KyGenParameter_GetType(feature)[1] == gen_type


# ---------------------------------------------------------------------------------------------
# Integer and float features: value, limits, increment, representation, unit.

def test_integer_feature_road(f, device):
    assert native.KyGenInteger_GetValue(f.width)[1] == 640
    r = native.KyGenInteger_SetValue(f.width, 1024)
    assert ok(r)
    assert device.Peek32(WIDTH_REG) == 1024
    values = [native.KyGenInteger_GetValue(f.width), native.KyGenInteger_GetMin(f.width),
              native.KyGenInteger_GetMax(f.width), native.KyGenInteger_GetIncrement(f.width),
              native.KyGenInteger_GetRepresentation(f.width), native.KyGenInteger_GetUnit(f.width)]
    assert all(type(v) is list and len(v) == 2 and ok(v[0]) for v in values)
    assert [v[1] for v in values] == [1024, 16, 4096, 4, ky.KyGenRepresentationLinear, "px"]
    # the proxy class offers the same
    assert f.width.GetIncrement()[1] == 4 and f.width.GetUnit()[1] == "px"
    # a feature without a unit has an empty one; representations are plain ints
    assert native.KyGenInteger_GetUnit(f.offset)[1] == ""
    assert native.KyGenInteger_GetRepresentation(f.offset)[1] == ky.KyGenRepresentationHexNumber == 4
    # True is the int 1; the lowest int64 reaches the SDK, which refuses it (below the minimum)
    assert ok(native.KyGenInteger_SetValue(f.offset, True))
    assert native.KyGenInteger_GetValue(f.offset)[1] == 1
    assert code(native.KyGenInteger_SetValue(f.offset, -2 ** 63)) == ky.KY_INVALID_PARAMETER


def test_float_feature_road(f, device):
    assert native.KyGenFloat_GetValue(f.exposure)[1] == 500.0
    assert ok(native.KyGenFloat_SetValue(f.exposure, 20))  # an int is sent as 20.0
    value = native.KyGenFloat_GetValue(f.exposure)
    assert ok(value[0]) and type(value[1]) is float and value[1] == 20.0
    assert device.Peek32(EXPOSURE_REG) == 0x40340000  # 20.0 as a big-endian double
    assert native.KyGenFloat_GetMin(f.exposure)[1] == 10.0
    assert native.KyGenFloat_GetMax(f.exposure)[1] == 1000000.0
    assert native.KyGenFloat_GetRepresentation(f.exposure)[1] == ky.KyGenRepresentationLogarithmic
    assert native.KyGenFloat_GetUnit(f.exposure)[1] == "us"
    # numpy's float64 is a float; a float feature without a representation reports Undefined
    assert ok(native.KyGenFloat_SetValue(f.gain, numpy.float64(2.5)))
    assert native.KyGenFloat_GetValue(f.gain)[1] == 2.5
    assert native.KyGenFloat_GetUnit(f.gain)[1] == "dB"


def test_failed_getters_give_none_and_flags_stay_bools(f):
    r, value = native.KyGenInteger_GetValue(f.write_only)
    assert code(r) == ky.KY_STATE_ERROR and value is None
    r, value = native.KyGenBoolean_GetValue(f.arm)
    assert code(r) == ky.KY_STATE_ERROR and value is False


# ---------------------------------------------------------------------------------------------
# Refusals by the device model leave the values unchanged.

REFUSALS = [
    # (case, feature, setter, value, expected code, getter, value before and after)
    ("above-max", "width", native.KyGenInteger_SetValue, 5000, ky.KY_INVALID_PARAMETER,
     native.KyGenInteger_GetValue, 640),
    ("below-min", "width", native.KyGenInteger_SetValue, 8, ky.KY_INVALID_PARAMETER,
     native.KyGenInteger_GetValue, 640),
    ("off-increment", "width", native.KyGenInteger_SetValue, 642, ky.KY_INVALID_PARAMETER,
     native.KyGenInteger_GetValue, 640),
    ("read-only-integer", "sensor_width", native.KyGenInteger_SetValue, 100, ky.KY_STATE_ERROR,
     native.KyGenInteger_GetValue, 4096),
    ("float-above-max", "exposure", native.KyGenFloat_SetValue, 2e6, ky.KY_INVALID_PARAMETER,
     native.KyGenFloat_GetValue, 500.0),
    ("float-not-finite", "exposure", native.KyGenFloat_SetValue, float("nan"), ky.KY_INVALID_PARAMETER,
     native.KyGenFloat_GetValue, 500.0),
    ("float-off-increment", "gain", native.KyGenFloat_SetValue, 1.3, ky.KY_INVALID_PARAMETER,
     native.KyGenFloat_GetValue, 1.0),
    ("read-only-boolean", "cooled", native.KyGenBoolean_SetValue, False, ky.KY_STATE_ERROR,
     native.KyGenBoolean_GetValue, True),
    ("too-long-string", "host_text", native.KyGenString_SetValue, "x" * 5000, ky.KY_INVALID_PARAMETER,
     native.KyGenString_GetValue, "hello"),
    ("unavailable-entry-by-name", "pixel_format", native.KyGenEnum_SetValue, "Mono16", ky.KY_STATE_ERROR,
     native.KyGenEnum_GetValueString, "Mono8"),
    ("unavailable-entry-by-value", "pixel_format", native.KyGenEnum_SetValue, MONO16, ky.KY_STATE_ERROR,
     native.KyGenEnum_GetValueString, "Mono8"),
    ("no-such-entry", "pixel_format", native.KyGenEnum_SetValue, "Mono12", ky.KY_INVALID_PARAMETER,
     native.KyGenEnum_GetValueString, "Mono8"),
    ("no-entry-with-value", "pixel_format", native.KyGenEnum_SetValue, True, ky.KY_INVALID_PARAMETER,
     native.KyGenEnum_GetValueInt, MONO8),
]


@pytest.mark.parametrize("feature,setter,value,expected,getter,kept", [c[1:] for c in REFUSALS],
                         ids=[c[0] for c in REFUSALS])
def test_refusals_leave_the_value_unchanged(f, device, feature, setter, value, expected, getter, kept):
    target = getattr(f, feature)
    r = setter(target, value)
    assert code(r) == expected
    assert str(r.GetDescription()).startswith("[")  # the feature's name leads the description
    after = getter(target)
    assert ok(after[0]) and after[1] == kept
    assert device.Peek32(WIDTH_REG) == 640 and device.Peek32(PIXEL_FORMAT_REG) == MONO8


def test_too_long_device_string_is_refused_before_the_device(f, device):
    assert ok(native.KyGenString_SetValue(f.user_id, "cam-1"))
    before = accesses(device)
    assert code(native.KyGenString_SetValue(f.user_id, "x" * 17)) == ky.KY_INVALID_PARAMETER
    assert accesses(device) == before
    assert native.KyGenString_GetValue(f.user_id)[1] == "cam-1"


# ---------------------------------------------------------------------------------------------
# Enumerations and their entries.

ENTRIES = [
    # name, value, display name, visibility, name space, available
    ("Mono8", MONO8, "Mono 8", ky.KyGenVisibilityBeginner, ky.KyGenNameSpaceStandard, True),
    ("Mono16", MONO16, "EnumEntry_PixelFormat_Mono16", ky.KyGenVisibilityBeginner,
     ky.KyGenNameSpaceStandard, False),
    ("RGB8", RGB8, "EnumEntry_PixelFormat_RGB8", ky.KyGenVisibilityExpert, ky.KyGenNameSpaceCustom, True),
]


def entry_facts(entry):
    results = [native.KyGenEnumEntry_GetName(entry), native.KyGenEnumEntry_GetValue(entry),
               native.KyGenEnumEntry_GetDisplayName(entry), native.KyGenEnumEntry_GetVisibility(entry),
               native.KyGenEnumEntry_GetNameSpace(entry), native.KyGenEnumEntry_IsAvailable(entry)]
    assert all(type(r) is list and len(r) == 2 and ok(r[0]) for r in results)
    return tuple(r[1] for r in results)


def test_entries_by_index_value_and_name_in_document_order(f):
    r, count = native.KyGenEnum_GetEntriesCount(f.pixel_format)
    assert ok(r) and count == len(ENTRIES)
    for index, facts in enumerate(ENTRIES):
        r, by_index = native.KyGenEnum_GetEntryByIndex(f.pixel_format, index)
        assert ok(r) and type(by_index) is ky.KyGenEnumEntry and not by_index.thisown
        assert entry_facts(by_index) == facts
        r, by_value = native.KyGenEnum_GetEntryByValue(f.pixel_format, facts[1])
        assert ok(r) and entry_facts(by_value) == facts
        for name in (facts[0], ky.KyString(facts[0])):
            r, by_name = native.KyGenEnum_GetEntryByName(f.pixel_format, name)
            assert ok(r) and entry_facts(by_name) == facts
    # True is the index 1
    assert native.KyGenEnumEntry_GetName(native.KyGenEnum_GetEntryByIndex(f.pixel_format, True)[1])[1] == "Mono16"


@pytest.mark.parametrize("lookup,key", [
    ("GetEntryByIndex", 3), ("GetEntryByIndex", -1), ("GetEntryByIndex", -2 ** 63), ("GetEntryByIndex", 2 ** 63 - 1),
    ("GetEntryByValue", 5), ("GetEntryByName", "Mono12"), ("GetEntryByName", ky.KyString("")),
])
def test_missing_entries_give_not_found_and_none(f, lookup, key):
    result = getattr(native, "KyGenEnum_" + lookup)(f.pixel_format, key)
    assert type(result) is list and len(result) == 2
    assert code(result[0]) == ky.KY_NOT_FOUND and result[1] is None


def test_entry_texts_and_visibility(f):
    mono8 = f.entry
    assert native.KyGenEnumEntry_GetToolTip(mono8)[1] == "8 bits per pixel"
    assert native.KyGenEnumEntry_GetDescription(mono8)[1] == "Monochrome, 8 bits per pixel."
    rgb8 = native.KyGenEnum_GetEntryByName(f.pixel_format, "RGB8")[1]
    assert native.KyGenEnumEntry_GetToolTip(rgb8)[1] == ""
    for level, visible in [(ky.KyGenVisibilityBeginner, False), (ky.KyGenVisibilityExpert, True),
                           (ky.KyGenVisibilityGuru, True), (999, True), (True, True), (-5, False)]:
        r, flag = native.KyGenEnumEntry_IsVisible(rgb8, level)
        assert ok(r) and flag is visible


def test_enumeration_value_set_by_name_and_by_value(f, device):
    r = native.KyGenEnum_SetValue(f.pixel_format, "RGB8")
    assert ok(r)  # a bare KyResult: the text is not echoed
    assert device.Peek32(PIXEL_FORMAT_REG) == RGB8
    assert native.KyGenEnum_GetValueString(f.pixel_format)[1] == "RGB8"
    assert native.KyGenEnum_GetValueInt(f.pixel_format)[1] == RGB8
    assert ok(native.KyGenEnum_SetValue(f.pixel_format, MONO8))
    assert native.KyGenEnum_GetValueString(f.pixel_format)[1] == "Mono8"
    assert ok(native.KyGenEnum_SetValue(f.pixel_format, ky.KyString("RGB8")))
    assert native.KyGenEnum_GetValueInt(f.pixel_format)[1] == RGB8
    # an entry that becomes available can be chosen
    assert ok(native.KyGenParameterArray_SetIntegerValue(f.params, "NoHostValue", 1))
    assert native.KyGenEnumEntry_IsAvailable(native.KyGenEnum_GetEntryByValue(f.pixel_format, MONO16)[1])[1] is True
    assert ok(native.KyGenEnum_SetValue(f.pixel_format, "Mono16"))
    assert device.Peek32(PIXEL_FORMAT_REG) == MONO16


def test_enumeration_value_of_no_entry(f, device):
    device.Poke32(PIXEL_FORMAT_REG, 77)
    assert ok(native.KyGenParameterArray_InvalidateCache(f.params))
    # no entry has the value: there is no name to give, but the integer is what the device holds
    r, value = native.KyGenEnum_GetValueString(f.pixel_format)
    assert code(r) == ky.KY_NOT_FOUND and value is None
    assert native.KyGenEnum_GetValueInt(f.pixel_format)[1] == 77


# ---------------------------------------------------------------------------------------------
# Categories.

CATEGORIES = [
    # name, tool tip, description, display name, name space, visibility, implemented
    ("Root", "", "", "Root", ky.KyGenNameSpaceStandard, ky.KyGenVisibilityBeginner, True),
    ("ImageFormatControl", "Image size and format", "The size and the pixel format of the images.",
     "Image Format Control", ky.KyGenNameSpaceStandard, ky.KyGenVisibilityBeginner, True),
    ("AcquisitionControl", "", "", "AcquisitionControl", ky.KyGenNameSpaceStandard, ky.KyGenVisibilityExpert, True),
    ("MakerControl", "", "", "MakerControl", ky.KyGenNameSpaceCustom, ky.KyGenVisibilityGuru, False),
]


def category_facts(category):
    results = [native.KyGenCategory_GetName(category), native.KyGenCategory_GetToolTip(category),
               native.KyGenCategory_GetDescription(category), native.KyGenCategory_GetDisplayName(category),
               native.KyGenCategory_GetNameSpace(category), native.KyGenCategory_GetVisibility(category),
               native.KyGenCategory_IsImplemented(category)]
    assert all(type(r) is list and len(r) == 2 and ok(r[0]) for r in results)
    return tuple(r[1] for r in results)


def test_categories_browse(params):
    count = native.KyGenParameterArray_GetCategoryCount(params)
    assert count == len(CATEGORIES)
    seen = []
    for index in range(count):
        category = native.KyGenParameterArray_GetCategory(params, index)
        assert type(category) is ky.KyGenCategory and not category.thisown
        seen.append(category_facts(category))
        by_name = native.KyGenParameterArray_GetCategory(params, seen[-1][0])
        assert category_facts(by_name) == seen[-1]
        node = native.KyGenCategory_GetNode(category)
        assert node is not None and not isinstance(node, (list, tuple))
    assert sorted(seen) == sorted(CATEGORIES)
    assert native.KyGenParameterArray_GetCategory(params, count) is None
    # the category of a feature is reported by name
    width = native.KyGenParameterArray_Get(params, "Width")
    assert native.KyGenParameter_GetCategory(width)[1] == "ImageFormatControl"


def test_category_visibility_levels(params):
    acquisition = native.KyGenParameterArray_GetCategory(params, "AcquisitionControl")
    for level, visible in [(ky.KyGenVisibilityBeginner, False), (ky.KyGenVisibilityExpert, True),
                           (ky.KyGenVisibilityInvisible, True), (999, True), (False, False)]:
        r, flag = native.KyGenCategory_IsVisible(acquisition, level)
        assert ok(r) and flag is visible


# ---------------------------------------------------------------------------------------------
# Boolean, command, string and register features.

def test_boolean_feature(f, device):
    r, value = native.KyGenBoolean_GetValue(f.reverse)
    assert ok(r) and value is False
    r = native.KyGenBoolean_SetValue(f.reverse, True)
    assert ok(r)
    assert device.Peek32(REVERSE_X_REG) != 0
    r, value = native.KyGenBoolean_GetValue(f.reverse)
    assert ok(r) and value is True
    assert native.KyGenBoolean_GetValue(f.cooled)[1] is True


def test_command_execute_and_done(f, device):
    r, done = native.KyGenCommand_IsDone(f.start)
    assert ok(r) and done is True
    r = native.KyGenCommand_Execute(f.start)
    assert ok(r)
    assert device.Peek32(ACQUISITION_START_REG) == 1
    assert native.KyGenCommand_IsDone(f.start)[1] is False
    device.Poke32(ACQUISITION_START_REG, 0)  # the device finished
    assert native.KyGenCommand_IsDone(f.start)[1] is True


def test_string_feature(f, device):
    r, value = native.KyGenString_GetValue(f.user_id)
    assert ok(r) and value == ""
    assert native.KyGenString_GetMaxLength(f.user_id)[1] == 16
    assert ok(native.KyGenString_SetValue(f.user_id, "cam-1"))
    assert native.KyGenString_GetValue(f.user_id)[1] == "cam-1"
    assert ok(native.KyGenString_SetValue(f.user_id, ky.KyString("cam-\u00e92")))
    assert native.KyGenString_GetValue(f.user_id)[1] == "cam-\u00e92"
    assert native.KyGenString_GetValue(f.host_text)[1] == "hello"


def test_register_length_and_refused_transfers(f, device):
    r, length = native.KyGenRegister_GetLength(f.lut)
    assert ok(r) and length == 8
    before = accesses(device)
    for call, length, text in [
        (native.KyGenRegister_Get, 4, "[LutValues] was given a null buffer"),
        (native.KyGenRegister_Set, 8, "[LutValues] was given a null buffer"),
        (native.KyGenRegister_Get, -1, "[LutValues] was given the negative length -1"),
        (native.KyGenRegister_Set, -2 ** 63, "[LutValues] was given the negative length -9223372036854775808"),
        (native.KyGenRegister_Get, 0, "[LutValues] cannot read 0 bytes from a register of 8"),
    ]:
        r = call(f.lut, None, length)
        assert code(r) == ky.KY_INVALID_PARAMETER and str(r.GetDescription()) == text
    assert accesses(device) == before  # refused before the device was touched


# ---------------------------------------------------------------------------------------------
# The state stack.

def values(params):
    return (native.KyGenParameterArray_GetIntegerValue(params, "Width")[1],
            native.KyGenParameterArray_GetEnumValueString(params, "PixelFormat")[1],
            native.KyGenParameterArray_GetFloatValue(params, "ExposureTime")[1],
            native.KyGenParameterArray_GetBooleanValue(params, "ReverseX")[1],
            native.KyGenParameterArray_GetStringValue(params, "DeviceUserID")[1])


def test_state_stack_restores_every_change_in_reverse_order(params, device):
    assert native.KyGenParameterArray_SetStringValue(params, "DeviceUserID", "before")[0].IsOK()
    original = values(params)
    assert original == (640, "Mono8", 500.0, False, "before")
    stack = native.new_KyGenStateStack(params)
    assert stack.own()
    assert ok(native.KyGenStateStack_SetIntegerValue(stack, "Width", 1024))
    # the same feature twice: restoring in reverse order ends at the first value
    assert ok(native.KyGenStateStack_SetIntegerValue(stack, "Width", 2048))
    assert native.KyGenStateStack_SetEnumValue(stack, "PixelFormat", "RGB8")[1] == "RGB8"
    assert ok(native.KyGenStateStack_SetEnumValue(stack, ky.KyString("PixelFormat"), MONO8))
    assert native.KyGenStateStack_SetEnumValue(stack, "PixelFormat", ky.KyString("RGB8"))[1] == "RGB8"
    assert ok(native.KyGenStateStack_SetFloatValue(stack, "ExposureTime", 20))
    assert ok(native.KyGenStateStack_SetBooleanValue(stack, "ReverseX", True))
    result = native.KyGenStateStack_SetStringValue(stack, "DeviceUserID", "during")
    assert type(result) is list and ok(result[0]) and result[1] == "during"
    assert values(params) == (2048, "RGB8", 20.0, True, "during")
    # refused changes are not recorded and leave the values alone
    assert code(native.KyGenStateStack_SetIntegerValue(stack, "Width", 5000)) == ky.KY_INVALID_PARAMETER
    assert code(native.KyGenStateStack_SetIntegerValue(stack, "NoSuchFeature", 1)) == ky.KY_NOT_FOUND
    r, echoed = native.KyGenStateStack_SetStringValue(stack, "DeviceUserID", "x" * 17)
    assert not r.IsOK() and echoed is None
    r, echoed = native.KyGenStateStack_SetEnumValue(stack, "PixelFormat", "Mono16")
    assert not r.IsOK() and echoed is None
    r = native.KyGenStateStack_SetEnumValue(stack, "PixelFormat", True)  # the integer form, with 1
    assert type(r) is ky.KyResult and not r.IsOK()
    assert values(params) == (2048, "RGB8", 20.0, True, "during")
    assert native.delete_KyGenStateStack(stack) is None
    assert not stack.own()
    assert values(params) == original
    assert device.Peek32(WIDTH_REG) == 640


def test_state_stack_proxy_restores_when_python_frees_it(params):
    stack = ky.KyGenStateStack(params)
    assert stack.thisown
    assert stack.SetIntegerValue("Width", 800).IsOK()
    assert stack.SetEnumValue("PixelFormat", "RGB8")[1] == "RGB8"
    assert values(params)[:2] == (800, "RGB8")
    del stack
    assert values(params)[:2] == (640, "Mono8")


# ---------------------------------------------------------------------------------------------
# Argument rules: exact texts, and None never reaches the SDK as an object.

ERRORS = [
    # (case, function, arguments from the features, exception, text)
    ("integer-float-value", native.KyGenInteger_SetValue, lambda f: (f.width, 1.0), TypeError,
     arg_text("KyGenInteger_SetValue", 2, "int64_t")),
    ("integer-too-big", native.KyGenInteger_SetValue, lambda f: (f.width, 2 ** 63), OverflowError,
     arg_text("KyGenInteger_SetValue", 2, "int64_t")),
    ("integer-numpy-int64", native.KyGenInteger_SetValue, lambda f: (f.width, numpy.int64(1)), TypeError,
     arg_text("KyGenInteger_SetValue", 2, "int64_t")),
    ("integer-count", native.KyGenInteger_SetValue, lambda f: (f.width,), TypeError,
     "KyGenInteger_SetValue expected 2 arguments, got 1"),
    ("integer-getter-on-float", native.KyGenInteger_GetValue, lambda f: (f.exposure,), TypeError,
     arg_text("KyGenInteger_GetValue", 1, "KyGenInteger const *")),
    ("integer-getter-on-base", native.KyGenInteger_GetMin, lambda f: (f.category,), TypeError,
     arg_text("KyGenInteger_GetMin", 1, "KyGenInteger const *")),
    ("integer-none", native.KyGenInteger_GetValue, lambda f: (None,), TypeError,
     arg_text("KyGenInteger_GetValue", 1, "KyGenInteger const *")),
    ("float-huge-int", native.KyGenFloat_SetValue, lambda f: (f.exposure, 10 ** 400), TypeError,
     arg_text("KyGenFloat_SetValue", 2, "double")),
    ("float-text", native.KyGenFloat_SetValue, lambda f: (f.exposure, "1.0"), TypeError,
     arg_text("KyGenFloat_SetValue", 2, "double")),
    ("float-numpy-float32", native.KyGenFloat_SetValue, lambda f: (f.exposure, numpy.float32(1)), TypeError,
     arg_text("KyGenFloat_SetValue", 2, "double")),
    ("float-setter-on-integer", native.KyGenFloat_SetValue, lambda f: (f.width, 1.0), TypeError,
     arg_text("KyGenFloat_SetValue", 1, "KyGenFloat *")),
    ("float-none", native.KyGenFloat_GetUnit, lambda f: (None,), TypeError,
     arg_text("KyGenFloat_GetUnit", 1, "KyGenFloat const *")),
    ("boolean-one", native.KyGenBoolean_SetValue, lambda f: (f.reverse, 1), TypeError,
     arg_text("KyGenBoolean_SetValue", 2, "bool")),
    ("boolean-numpy", native.KyGenBoolean_SetValue, lambda f: (f.reverse, numpy.bool_(True)), TypeError,
     arg_text("KyGenBoolean_SetValue", 2, "bool")),
    ("boolean-getter-on-command", native.KyGenBoolean_GetValue, lambda f: (f.start,), TypeError,
     arg_text("KyGenBoolean_GetValue", 1, "KyGenBoolean const *")),
    ("command-on-integer", native.KyGenCommand_IsDone, lambda f: (f.width,), TypeError,
     arg_text("KyGenCommand_IsDone", 1, "KyGenCommand *")),
    ("command-none", native.KyGenCommand_Execute, lambda f: (None,), TypeError,
     arg_text("KyGenCommand_Execute", 1, "KyGenCommand *")),
    ("string-bytes", native.KyGenString_SetValue, lambda f: (f.user_id, b"x"), TypeError, kystring_text(2)),
    ("string-none-value", native.KyGenString_SetValue, lambda f: (f.user_id, None), TypeError, kystring_text(2)),
    ("string-getter-on-enum", native.KyGenString_GetValue, lambda f: (f.pixel_format,), TypeError,
     arg_text("KyGenString_GetValue", 1, "KyGenString const *")),
    ("register-bytes", native.KyGenRegister_Set, lambda f: (f.lut, b"1234", 4), TypeError,
     arg_text("KyGenRegister_Set", 2, "uint8_t const *")),
    ("register-bytearray", native.KyGenRegister_Set, lambda f: (f.lut, bytearray(4), 4), TypeError,
     arg_text("KyGenRegister_Set", 2, "uint8_t const *")),
    ("register-numpy", native.KyGenRegister_Get, lambda f: (f.lut, numpy.zeros(8, numpy.uint8), 8), TypeError,
     arg_text("KyGenRegister_Get", 2, "uint8_t *")),
    ("register-length", native.KyGenRegister_Get, lambda f: (f.lut, None, 2 ** 63), OverflowError,
     arg_text("KyGenRegister_Get", 3, "int64_t")),
    ("register-length-type", native.KyGenRegister_Set, lambda f: (f.lut, None, 1.0), TypeError,
     arg_text("KyGenRegister_Set", 3, "int64_t")),
    ("register-count", native.KyGenRegister_Get, lambda f: (f.lut, None), TypeError,
     "KyGenRegister_Get expected 3 arguments, got 2"),
    ("register-on-string", native.KyGenRegister_Get, lambda f: (f.user_id, None, 0), TypeError,
     arg_text("KyGenRegister_Get", 1, "KyGenRegister const *")),
    ("register-none", native.KyGenRegister_Set, lambda f: (None, None, 0), TypeError,
     arg_text("KyGenRegister_Set", 1, "KyGenRegister *")),
    ("enum-float", native.KyGenEnum_SetValue, lambda f: (f.pixel_format, 2.5), TypeError, kystring_text(2)),
    ("enum-too-big", native.KyGenEnum_SetValue, lambda f: (f.pixel_format, 2 ** 64), TypeError, kystring_text(2)),
    ("enum-none-value", native.KyGenEnum_SetValue, lambda f: (f.pixel_format, None), TypeError, kystring_text(2)),
    ("enum-on-integer", native.KyGenEnum_SetValue, lambda f: (f.width, 1), TypeError, ENUM_SET_DISPATCH),
    ("enum-self-only", native.KyGenEnum_SetValue, lambda f: (f.pixel_format,), TypeError, ENUM_SET_DISPATCH),
    ("enum-three", native.KyGenEnum_SetValue, lambda f: (f.pixel_format, 1, 2), TypeError,
     "KyGenEnum_SetValue expected at most 2 arguments, got 3\nAdditional information:\n" + ENUM_SET_DISPATCH),
    ("enum-none", native.KyGenEnum_SetValue, lambda f: (None, 1), TypeError,
     arg_text("KyGenEnum_SetValue", 1, "KyGenEnum *")),
    ("enum-index-too-big", native.KyGenEnum_GetEntryByIndex, lambda f: (f.pixel_format, 2 ** 63), OverflowError,
     arg_text("KyGenEnum_GetEntryByIndex", 2, "int64_t")),
    ("enum-value-text", native.KyGenEnum_GetEntryByValue, lambda f: (f.pixel_format, "1"), TypeError,
     arg_text("KyGenEnum_GetEntryByValue", 2, "int64_t")),
    ("enum-name-none", native.KyGenEnum_GetEntryByName, lambda f: (f.pixel_format, None), TypeError,
     kystring_text(2)),
    ("enum-name-bytes", native.KyGenEnum_GetEntryByName, lambda f: (f.pixel_format, b"Mono8"), TypeError,
     kystring_text(2)),
    ("enum-count-on-base", native.KyGenEnum_GetEntriesCount, lambda f: (f.width,), TypeError,
     arg_text("KyGenEnum_GetEntriesCount", 1, "KyGenEnum const *")),
    ("enum-value-string-self", native.KyGenEnum_GetValueString, lambda f: (f.width,), TypeError,
     arg_text("KyGenEnum_GetValueString", 1, "KyGenEnum *")),
    ("enum-value-int-none", native.KyGenEnum_GetValueInt, lambda f: (None,), TypeError,
     arg_text("KyGenEnum_GetValueInt", 1, "KyGenEnum *")),
    ("entry-visibility-big", native.KyGenEnumEntry_IsVisible, lambda f: (f.entry, 2 ** 31), OverflowError,
     arg_text("KyGenEnumEntry_IsVisible", 2, "KyGenVisibility")),
    ("entry-visibility-float", native.KyGenEnumEntry_IsVisible, lambda f: (f.entry, 1.0), TypeError,
     arg_text("KyGenEnumEntry_IsVisible", 2, "KyGenVisibility")),
    ("entry-on-feature", native.KyGenEnumEntry_GetName, lambda f: (f.pixel_format,), TypeError,
     arg_text("KyGenEnumEntry_GetName", 1, "KyGenEnumEntry const *")),
    ("entry-none", native.KyGenEnumEntry_GetValue, lambda f: (None,), TypeError,
     arg_text("KyGenEnumEntry_GetValue", 1, "KyGenEnumEntry const *")),
    ("parameter-on-entry", native.KyGenParameter_GetName, lambda f: (f.entry,), TypeError,
     arg_text("KyGenParameter_GetName", 1, "KyGenParameter const *")),
    ("parameter-on-category", native.KyGenParameter_GetName, lambda f: (f.category,), TypeError,
     arg_text("KyGenParameter_GetName", 1, "KyGenParameter const *")),
    ("category-on-feature", native.KyGenCategory_GetName, lambda f: (f.width,), TypeError,
     arg_text("KyGenCategory_GetName", 1, "KyGenCategory const *")),
    ("category-none", native.KyGenCategory_IsImplemented, lambda f: (None,), TypeError,
     arg_text("KyGenCategory_IsImplemented", 1, "KyGenCategory const *")),
    ("category-node-none", native.KyGenCategory_GetNode, lambda f: (None,), TypeError,
     arg_text("KyGenCategory_GetNode", 1, "KyGenCategory *")),
    ("category-visibility-big", native.KyGenCategory_IsVisible, lambda f: (f.category, 2 ** 31), OverflowError,
     arg_text("KyGenCategory_IsVisible", 2, "KyGenVisibility")),
    ("category-visibility-float", native.KyGenCategory_IsVisible, lambda f: (f.category, 0.0), TypeError,
     arg_text("KyGenCategory_IsVisible", 2, "KyGenVisibility")),
    ("category-count", native.KyGenCategory_IsVisible, lambda f: (f.category,), TypeError,
     "KyGenCategory_IsVisible expected 2 arguments, got 1"),
    ("stack-none", native.new_KyGenStateStack, lambda f: (None,), TypeError,
     arg_text("new_KyGenStateStack", 1, "KyGenParameterArray *")),
    ("stack-not-an-array", native.new_KyGenStateStack, lambda f: (f.width,), TypeError,
     arg_text("new_KyGenStateStack", 1, "KyGenParameterArray *")),
    ("stack-delete-other", native.delete_KyGenStateStack, lambda f: (f.params,), TypeError,
     arg_text("delete_KyGenStateStack", 1, "KyGenStateStack *")),
    ("stack-self-none", native.KyGenStateStack_SetIntegerValue, lambda f: (None, "Width", 1), TypeError,
     arg_text("KyGenStateStack_SetIntegerValue", 1, "KyGenStateStack *")),
    ("stack-count", native.KyGenStateStack_SetIntegerValue, lambda f: (f.stack, "Width"), TypeError,
     "KyGenStateStack_SetIntegerValue expected 3 arguments, got 2"),
    ("stack-name-none", native.KyGenStateStack_SetIntegerValue, lambda f: (f.stack, None, 1), TypeError,
     kystring_text(2)),
    ("stack-integer-float", native.KyGenStateStack_SetIntegerValue, lambda f: (f.stack, "Width", 1.0), TypeError,
     arg_text("KyGenStateStack_SetIntegerValue", 3, "int64_t")),
    ("stack-integer-big", native.KyGenStateStack_SetIntegerValue, lambda f: (f.stack, "Width", -2 ** 63 - 1),
     OverflowError, arg_text("KyGenStateStack_SetIntegerValue", 3, "int64_t")),
    ("stack-float-text", native.KyGenStateStack_SetFloatValue, lambda f: (f.stack, "Gain", "1"), TypeError,
     arg_text("KyGenStateStack_SetFloatValue", 3, "double")),
    ("stack-float-huge", native.KyGenStateStack_SetFloatValue, lambda f: (f.stack, "Gain", 10 ** 400), TypeError,
     arg_text("KyGenStateStack_SetFloatValue", 3, "double")),
    ("stack-boolean-one", native.KyGenStateStack_SetBooleanValue, lambda f: (f.stack, "ReverseX", 1), TypeError,
     arg_text("KyGenStateStack_SetBooleanValue", 3, "bool")),
    ("stack-string-none", native.KyGenStateStack_SetStringValue, lambda f: (f.stack, "HostText", None), TypeError,
     kystring_text(3)),
    ("stack-enum-float", native.KyGenStateStack_SetEnumValue, lambda f: (f.stack, "PixelFormat", 2.5), TypeError,
     kystring_text(3)),
    ("stack-enum-too-big", native.KyGenStateStack_SetEnumValue, lambda f: (f.stack, "PixelFormat", 2 ** 64),
     TypeError, kystring_text(3)),
    ("stack-enum-name-bytes", native.KyGenStateStack_SetEnumValue, lambda f: (f.stack, b"PixelFormat", 1),
     TypeError, kystring_text(2)),
    ("stack-enum-two", native.KyGenStateStack_SetEnumValue, lambda f: (f.stack, "PixelFormat"), TypeError,
     STACK_ENUM_DISPATCH),
    ("stack-enum-five", native.KyGenStateStack_SetEnumValue, lambda f: (f.stack, "a", 1, 2, 3), TypeError,
     "KyGenStateStack_SetEnumValue expected at most 3 arguments, got 5\nAdditional information:\n"
     + STACK_ENUM_DISPATCH),
    ("stack-enum-not-a-stack", native.KyGenStateStack_SetEnumValue, lambda f: (f.params, "PixelFormat", 1),
     TypeError, STACK_ENUM_DISPATCH),
]


@pytest.mark.parametrize("function,make_args,error,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_argument_errors(f, device, function, make_args, error, text):
    before = accesses(device)
    with pytest.raises(error) as raised:
        function(*make_args(f))
    assert type(raised.value) is error
    assert str(raised.value) == text
    assert accesses(device) == before  # nothing reached the device


def test_deleting_none_calls_nothing():
    assert native.delete_KyGenStateStack(None) is None


# ---------------------------------------------------------------------------------------------
# Threads: two write different features while a third browses; bounded.

def test_threads_write_and_browse_one_array(params, device):
    rounds = 300
    errors = []

    def write_width():
        try:
            for k in range(rounds):
                assert native.KyGenInteger_SetValue(native.KyGenParameterArray_GetInteger(params, "Width"),
                                                    16 + 4 * (k % 100)).IsOK()
        except Exception as e:  # reported by the main thread
            errors.append(e)

    def write_exposure():
        try:
            exposure = native.KyGenParameterArray_GetFloat(params, "ExposureTime")
            for k in range(rounds):
                assert native.KyGenFloat_SetValue(exposure, 100.0 + k).IsOK()
        except Exception as e:
            errors.append(e)

    def browse():
        try:
            for _ in range(rounds // 10):
                for index in range(native.KyGenParameterArray_GetCount(params)):
                    feature = native.KyGenParameterArray_Get(params, index)
                    assert native.KyGenParameter_GetName(feature)[0].IsOK()
                for index in range(native.KyGenParameterArray_GetCategoryCount(params)):
                    assert native.KyGenCategory_GetName(native.KyGenParameterArray_GetCategory(params, index))[1]
                entry = native.KyGenEnum_GetEntryByIndex(native.KyGenParameterArray_GetEnum(params, "PixelFormat"), 2)[1]
                assert native.KyGenEnumEntry_GetName(entry)[1] == "RGB8"
        except Exception as e:
            errors.append(e)

    threads = [threading.Thread(target=t) for t in (write_width, write_exposure, browse)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == []
    assert native.KyGenParameterArray_GetIntegerValue(params, "Width")[1] == 16 + 4 * ((rounds - 1) % 100)
    assert native.KyGenParameterArray_GetFloatValue(params, "ExposureTime")[1] == 100.0 + rounds - 1
    assert device.Peek32(WIDTH_REG) == 16 + 4 * ((rounds - 1) % 100)


# ---------------------------------------------------------------------------------------------
# The interpreter lock is released while the SDK works: with the test device's next read held,
# the call waits inside the SDK while this thread keeps running Python code, then finishes once
# the read is released. (Were the lock kept, the held read would run out of time instead.)

def wait_until(condition, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.005)
    return condition()


LOCK_RELEASED = [
    ("integer-get", lambda f: native.KyGenInteger_GetValue(f.width)),
    ("float-get", lambda f: native.KyGenFloat_GetValue(f.exposure)),
    ("enum-get", lambda f: native.KyGenEnum_GetValueString(f.pixel_format)),
    ("boolean-set", lambda f: [native.KyGenBoolean_SetValue(f.reverse, True)]),
    ("command-done", lambda f: native.KyGenCommand_IsDone(f.start)),
    ("string-get", lambda f: native.KyGenString_GetValue(f.user_id)),
    ("stack-set", lambda f: [native.KyGenStateStack_SetIntegerValue(f.stack, "Width", 1024)]),
]


@pytest.mark.parametrize("call", [c[1] for c in LOCK_RELEASED], ids=[c[0] for c in LOCK_RELEASED])
def test_sdk_calls_release_the_interpreter_lock(f, device, call):
    assert ok(native.KyGenParameterArray_InvalidateCache(f.params))
    device.HoldReads()
    outcome = []
    worker = threading.Thread(target=lambda: outcome.append(call(f)))
    worker.start()
    try:
        assert wait_until(device.ReadWaiting)
    finally:
        device.ReleaseReads()
        worker.join()
    assert device.WaitedForRelease()
    assert ok(outcome[0][0]), str(outcome[0][0].GetDescription())


# ---------------------------------------------------------------------------------------------
# Docstrings come from the SDK headers.

DOCS = [
    ("KyGenInteger_SetValue", "Set the feature's new value."),
    ("KyGenFloat_SetValue", "Set the feature's value."),
    ("KyGenInteger_GetMin", "Get the feature's limits (minimum)."),
    ("KyGenFloat_GetMax", "Get the feature's limits (maximum)."),
    ("KyGenInteger_GetIncrement", "Get the feature's suggested increment."),
    ("KyGenFloat_GetRepresentation", "Get the feature's suggested presentation format."),
    ("KyGenInteger_GetUnit", "Get the feature's measurement unit."),
    ("KyGenCommand_Execute", "Activate the feature."),
    ("KyGenCommand_IsDone", "Query whether the command is executed."),
    ("KyGenRegister_Set", "Write to the register."),
    ("KyGenRegister_Get", "Reads from the register."),
    ("KyGenRegister_GetLength", "Returns the length of the register mapped with this feature."),
    ("KyGenString_GetMaxLength", "Returns the maximum length of the string."),
    ("new_KyGenStateStack", ":param aParameters: The GenICam parameter array to operate on."),
    ("KyGenStateStack_SetIntegerValue", "Changes the value of an integer parameter."),
    ("KyGenStateStack_SetStringValue", ":param aName: The name of the parameter to change."),
]


@pytest.mark.parametrize("function,text", DOCS, ids=[d[0] for d in DOCS])
def test_docstrings(function, text):
    assert text in getattr(native, function).__doc__


def test_overloaded_docstrings_list_both_forms():
    doc = native.KyGenStateStack_SetEnumValue.__doc__
    assert doc.index("The new symbolic (string) value") < doc.index("The new integer value")
    assert "*Overload 2:*" in native.KyGenEnum_SetValue.__doc__
