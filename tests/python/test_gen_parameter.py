"""KyGenParameter: what every feature offers, read through plain KyGenParameter objects of the
test XML's features (texts, type, name space, visibility, access flags, selectors, the value as
text, update sinks), the result shapes and the argument texts."""
import gc
import weakref

import _tavro_python as native
import pytest
import tavro_python as ky
import tavro_testing

import gen_test_map
from gen_test_map import address, swig_type


@pytest.fixture
def node_map():
    return gen_test_map.load()


@pytest.fixture
def params(node_map):
    return node_map.GetParameters()


def feature(params, name):
    return tavro_testing.AsParameter(params, name)


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


def value_of(result):
    assert type(result) is list and len(result) == 2 and type(result[0]) is ky.KyResult
    return result[1]


TEXTS = [
    # (getter, feature, text)
    (native.KyGenParameter_GetName, "Width", "Width"),
    (native.KyGenParameter_GetCategory, "Width", "ImageFormatControl"),
    (native.KyGenParameter_GetCategory, "Gain", "AnalogControl"),
    (native.KyGenParameter_GetCategory, "SensorTemperature", ""),  # in no category: empty
    (native.KyGenParameter_GetToolTip, "Width", "Width of the image"),
    (native.KyGenParameter_GetToolTip, "Height", ""),
    (native.KyGenParameter_GetDescription, "Width", "Width of the image in pixels."),
    (native.KyGenParameter_GetDisplayName, "Width", "Image Width"),
    (native.KyGenParameter_GetDisplayName, "Height", "Height"),
    (native.KyGenParameter_ToString, "Width", "640"),
    (native.KyGenParameter_ToString, "PixelFormat", "Mono8"),
    (native.KyGenParameter_ToString, "ReverseX", "False"),
]


@pytest.mark.parametrize("getter,name,text", TEXTS, ids=["%s-%s" % (g.__name__[15:], n) for g, n, _ in TEXTS])
def test_text_getters(params, getter, name, text):
    result = getter(feature(params, name))
    assert result[0].IsOK() and value_of(result) == text and type(result[1]) is str


def test_a_failed_text_getter_gives_none(params):
    result = native.KyGenParameter_ToString(feature(params, "WriteOnlyTrigger"))
    assert not result[0].IsOK() and value_of(result) is None


ENUMERATIONS = [
    # (getter, feature, value)
    (native.KyGenParameter_GetType, "Width", ky.KyGenTypeInteger),
    (native.KyGenParameter_GetType, "Gain", ky.KyGenTypeFloat),
    (native.KyGenParameter_GetType, "PixelFormat", ky.KyGenTypeEnum),
    (native.KyGenParameter_GetType, "ReverseX", ky.KyGenTypeBoolean),
    (native.KyGenParameter_GetType, "DeviceUserID", ky.KyGenTypeString),
    (native.KyGenParameter_GetType, "AcquisitionStart", ky.KyGenTypeCommand),
    (native.KyGenParameter_GetType, "LutValues", ky.KyGenTypeRegister),
    (native.KyGenParameter_GetNameSpace, "Width", ky.KyGenNameSpaceStandard),
    (native.KyGenParameter_GetNameSpace, "CustomCounter", ky.KyGenNameSpaceCustom),
    (native.KyGenParameter_GetVisibility, "Width", ky.KyGenVisibilityBeginner),
    (native.KyGenParameter_GetVisibility, "Height", ky.KyGenVisibilityExpert),
    (native.KyGenParameter_GetVisibility, "Gain", ky.KyGenVisibilityGuru),
    (native.KyGenParameter_GetVisibility, "CustomCounter", ky.KyGenVisibilityInvisible),
]


@pytest.mark.parametrize("getter,name,value", ENUMERATIONS,
                         ids=["%s-%s" % (g.__name__[15:], n) for g, n, _ in ENUMERATIONS])
def test_enumeration_getters_give_plain_ints(params, getter, name, value):
    result = getter(feature(params, name))
    assert result[0].IsOK() and value_of(result) == value and type(result[1]) is int


def test_the_type_matches_the_class_of_the_lookups(params):
    classes = {ky.KyGenTypeInteger: "KyGenInteger", ky.KyGenTypeFloat: "KyGenFloat", ky.KyGenTypeEnum: "KyGenEnum",
               ky.KyGenTypeBoolean: "KyGenBoolean", ky.KyGenTypeString: "KyGenString",
               ky.KyGenTypeCommand: "KyGenCommand", ky.KyGenTypeRegister: "KyGenRegister"}
    for index in range(native.KyGenParameterArray_GetCount(params)):
        found = native.KyGenParameterArray_Get(params, index)
        name = gen_test_map.FEATURES[index][0]
        gen_type = value_of(native.KyGenParameter_GetType(feature(params, name)))
        assert swig_type(found) == classes[gen_type] + " *", name


FLAGS = [
    # (getter, feature, flag)
    (native.KyGenParameter_IsReadable, "SensorTemperature", True),
    (native.KyGenParameter_IsWritable, "SensorTemperature", False),
    (native.KyGenParameter_IsReadable, "WriteOnlyTrigger", False),
    (native.KyGenParameter_IsWritable, "WriteOnlyTrigger", True),
    (native.KyGenParameter_IsWritable, "PayloadSize", False),
    (native.KyGenParameter_IsImplemented, "Width", True),
    (native.KyGenParameter_IsAvailable, "Width", True),
    (native.KyGenParameter_IsStreamable, "Width", True),
    (native.KyGenParameter_IsStreamable, "Height", False),
    (native.KyGenParameter_IsPersistent, "Width", True),
    (native.KyGenParameter_IsValueCached, "Width", True),
    (native.KyGenParameter_IsValueCached, "PayloadSize", False),
    (native.KyGenParameter_IsSelector, "GainSelector", True),
    (native.KyGenParameter_IsSelector, "Gain", False),
]


@pytest.mark.parametrize("getter,name,flag", FLAGS, ids=["%s-%s" % (g.__name__[15:], n) for g, n, _ in FLAGS])
def test_flag_getters_give_bools(params, getter, name, flag):
    result = getter(feature(params, name))
    assert result[0].IsOK() and value_of(result) is flag


VISIBLE = [
    # (feature, level, visible): visible at a level at or above its own
    ("Height", ky.KyGenVisibilityBeginner, False), ("Height", ky.KyGenVisibilityExpert, True),
    ("Height", ky.KyGenVisibilityGuru, True), ("Gain", ky.KyGenVisibilityExpert, False),
    ("Width", True, True),  # True passes the level 1
    ("CustomCounter", ky.KyGenVisibilityGuru, False), ("CustomCounter", ky.KyGenVisibilityInvisible, True),
]


@pytest.mark.parametrize("name,level,visible", VISIBLE)
def test_is_visible(params, name, level, visible):
    result = native.KyGenParameter_IsVisible(feature(params, name), level)
    assert value_of(result) is visible


@pytest.mark.parametrize("level", [999, 12345, -1])
def test_is_visible_takes_any_int32_level(params, level):
    result = native.KyGenParameter_IsVisible(feature(params, "Width"), level)
    assert type(value_of(result)) is bool


def test_selectors_both_ways(params):
    selector, gain = feature(params, "GainSelector"), feature(params, "Gain")
    r, selected = native.KyGenParameter_GetSelectedParameters(selector)
    assert r.IsOK() and type(selected) is ky.KyGenParameterList and selected.thisown
    assert native.KyGenParameterList_GetSize(selected) == 1
    item = native.KyGenParameterList_GetItem(selected, 0)
    assert swig_type(item) == "KyGenFloat *" and address(item) == address(gain)
    r, selecting = native.KyGenParameter_GetSelectingParameters(gain)
    assert r.IsOK() and native.KyGenParameterList_GetSize(selecting) == 1
    item = native.KyGenParameterList_GetFirst(selecting)
    assert swig_type(item) == "KyGenEnum *" and address(item) == address(selector)
    assert native.KyGenParameterList_GetNext(selecting) is None
    # each call makes a list of its own
    again = native.KyGenParameter_GetSelectedParameters(selector)[1]
    assert address(again) != address(selected)
    r, none_selected = native.KyGenParameter_GetSelectedParameters(gain)
    assert r.IsOK() and native.KyGenParameterList_GetSize(none_selected) == 0


def test_from_string(params):
    width = feature(params, "Width")
    r = native.KyGenParameter_FromString(width, "800")
    assert type(r) is ky.KyResult and r.IsOK()
    assert value_of(native.KyGenParameter_ToString(width)) == "800"
    assert native.KyGenParameter_FromString(width, ky.KyString("804")).IsOK()
    assert native.KyGenParameterArray_GetIntegerValue(params, "Width")[1] == 804
    r = native.KyGenParameter_FromString(width, "wide")
    assert type(r) is ky.KyResult and not r.IsOK()
    assert native.KyGenParameterArray_GetIntegerValue(params, "Width")[1] == 804


def test_node_handle_and_update_switch(params):
    width = feature(params, "Width")
    assert swig_type(native.KyGenParameter_GetNode(width)) == "KY_GENAPI_NS::INode *"
    assert native.KyGenParameter_GetUpdatesEnabled(width) is True
    assert native.KyGenParameter_SetUpdatesEnabled(width, False) is None
    assert native.KyGenParameter_GetUpdatesEnabled(width) is False


def test_update_sinks(params):
    sink = tavro_testing.TestUpdateSink()
    width, temperature = feature(params, "Width"), feature(params, "SensorTemperature")
    for parameter in (width, temperature):
        r = native.KyGenParameter_RegisterEventSink(parameter, sink)
        assert type(r) is ky.KyResult and r.IsOK()
    assert native.KyGenParameterArray_SetIntegerValue(params, "Width", 800).IsOK()
    # the written feature and the register it invalidates
    assert sink.Count() == 2
    native.KyGenParameter_SetUpdatesEnabled(width, False)
    assert native.KyGenParameterArray_SetIntegerValue(params, "Width", 804).IsOK()
    assert sink.Count() == 3 and sink.LastIs(temperature)
    native.KyGenParameter_SetUpdatesEnabled(width, True)
    for parameter in (width, temperature):
        assert native.KyGenParameter_UnregisterEventSink(parameter, sink).IsOK()
    assert native.KyGenParameterArray_SetIntegerValue(params, "Width", 808).IsOK()
    assert sink.Count() == 3
    r = native.KyGenParameter_UnregisterEventSink(width, sink)
    assert r.GetCode() == ky.KY_NOT_FOUND
    # no null sink is ever stored: the SDK refuses it
    r = native.KyGenParameter_RegisterEventSink(width, None)
    assert type(r) is ky.KyResult and r.GetCode() == ky.KY_INVALID_PARAMETER
    assert native.KyGenParameterArray_SetIntegerValue(params, "Width", 812).IsOK()
    assert native.KyGenParameter_UnregisterEventSink(width, None).GetCode() == ky.KY_NOT_FOUND


def test_a_device_adapter_is_an_update_sink(params):
    # The type table converts a KyDeviceAdapter to the KyGenEventSink base it carries.
    adapter = ky.KyDeviceAdapter(None)
    width = feature(params, "Width")
    assert native.KyGenParameter_RegisterEventSink(width, adapter).IsOK()
    assert native.KyGenParameterArray_SetIntegerValue(params, "Width", 816).IsOK()
    assert native.KyGenEventSink_OnParameterUpdate(adapter, width) is None
    assert native.KyGenParameter_UnregisterEventSink(width, adapter).IsOK()
    assert native.KyGenParameter_UnregisterEventSink(width, adapter).GetCode() == ky.KY_NOT_FOUND



def test_a_registered_update_sink_is_held_until_unregistered(params):
    adapter = ky.KyDeviceAdapter(None)
    alive = weakref.ref(adapter)
    width = feature(params, "Width")
    assert native.KyGenParameter_RegisterEventSink(width, adapter).IsOK()
    del adapter
    gc.collect()
    assert alive() is not None  # held by the registration: the update below reaches it whole
    assert native.KyGenParameterArray_SetIntegerValue(params, "Width", 820).IsOK()
    assert native.KyGenParameter_UnregisterEventSink(feature(params, "Width"), alive()).IsOK()
    gc.collect()
    assert alive() is None

PARAMETER = object()
CATEGORY = object()
LIST = object()
ERRORS = [
    # (case, function, arguments, exception, text)
    ("self-none", native.KyGenParameter_GetName, (None,), TypeError,
     arg_text("KyGenParameter_GetName", 1, "KyGenParameter const *")),
    ("self-category", native.KyGenParameter_GetName, (CATEGORY,), TypeError,
     arg_text("KyGenParameter_GetName", 1, "KyGenParameter const *")),
    ("self-list", native.KyGenParameter_IsAvailable, (LIST,), TypeError,
     arg_text("KyGenParameter_IsAvailable", 1, "KyGenParameter const *")),
    ("self-plain", native.KyGenParameter_FromString, (None, "1"), TypeError,
     arg_text("KyGenParameter_FromString", 1, "KyGenParameter *")),
    ("node-self-none", native.KyGenParameter_GetNode, (None,), TypeError,
     arg_text("KyGenParameter_GetNode", 1, "KyGenParameter *")),
    ("updates-self-none", native.KyGenParameter_GetUpdatesEnabled, (None,), TypeError,
     arg_text("KyGenParameter_GetUpdatesEnabled", 1, "KyGenParameter *")),
    ("visible-overflow", native.KyGenParameter_IsVisible, (PARAMETER, 2 ** 31), OverflowError,
     arg_text("KyGenParameter_IsVisible", 2, "KyGenVisibility")),
    ("visible-float", native.KyGenParameter_IsVisible, (PARAMETER, 1.0), TypeError,
     arg_text("KyGenParameter_IsVisible", 2, "KyGenVisibility")),
    ("visible-count", native.KyGenParameter_IsVisible, (PARAMETER,), TypeError,
     "KyGenParameter_IsVisible expected 2 arguments, got 1"),
    ("updates-int", native.KyGenParameter_SetUpdatesEnabled, (PARAMETER, 1), TypeError,
     arg_text("KyGenParameter_SetUpdatesEnabled", 2, "bool")),
    ("updates-none", native.KyGenParameter_SetUpdatesEnabled, (PARAMETER, None), TypeError,
     arg_text("KyGenParameter_SetUpdatesEnabled", 2, "bool")),
    ("from-bytes", native.KyGenParameter_FromString, (PARAMETER, b"1"), TypeError,
     "Argument 2: failed to create KyString from Python string"),
    ("from-none", native.KyGenParameter_FromString, (PARAMETER, None), TypeError,
     "Argument 2: failed to create KyString from Python string"),
    ("register-not-a-sink", native.KyGenParameter_RegisterEventSink, (PARAMETER, LIST), TypeError,
     arg_text("KyGenParameter_RegisterEventSink", 2, "KyGenEventSink *")),
    ("unregister-not-a-sink", native.KyGenParameter_UnregisterEventSink, (PARAMETER, 5), TypeError,
     arg_text("KyGenParameter_UnregisterEventSink", 2, "KyGenEventSink *")),
    ("name-extra", native.KyGenParameter_GetName, (PARAMETER, 1), TypeError,
     "_tavro_python.KyGenParameter_GetName() takes exactly one argument (2 given)"),
]


@pytest.mark.parametrize("function,args,error,text", [e[1:] for e in ERRORS], ids=[e[0] for e in ERRORS])
def test_argument_errors(params, function, args, error, text):
    stand_ins = {id(PARAMETER): feature(params, "Width"), id(CATEGORY): native.KyGenParameterArray_GetCategory(params, 0),
                 id(LIST): ky.KyGenParameterList()}
    args = tuple(stand_ins.get(id(a), a) for a in args)
    with pytest.raises(error) as raised:
        function(*args)
    assert type(raised.value) is error
    assert str(raised.value) == text


TYPED_CLASSES = ["KyGenInteger", "KyGenFloat", "KyGenEnum", "KyGenBoolean", "KyGenCommand", "KyGenString",
                 "KyGenRegister"]


@pytest.mark.skipif(not all(hasattr(ky, c) for c in TYPED_CLASSES), reason="the typed feature classes are wrapped "
                    "by their own families")
def test_typed_objects_are_accepted_as_self(params):
    for name, cls in gen_test_map.FEATURES:
        found = native.KyGenParameterArray_Get(params, name)
        assert type(found) is getattr(ky, cls)
        assert value_of(native.KyGenParameter_GetName(found)) == name
        assert isinstance(found, ky.KyGenParameter)
