"""KyGenParameterList and KyGenEventSink: building and walking lists of features (items come back
as their typed class), and calling a native parameter-update sink."""
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


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


def test_a_new_list_is_empty():
    items = native.new_KyGenParameterList()
    assert native.KyGenParameterList_GetSize(items) == 0
    assert native.KyGenParameterList_GetFirst(items) is None
    assert native.KyGenParameterList_GetNext(items) is None
    assert native.KyGenParameterList_GetItem(items, 0) is None
    assert native.delete_KyGenParameterList(items) is None
    assert native.delete_KyGenParameterList(None) is None  # deleting nothing is harmless
    proxy = ky.KyGenParameterList()
    assert proxy.thisown and proxy.GetSize() == 0


def test_items_come_back_as_their_typed_class(params):
    items = ky.KyGenParameterList()
    names = ["Width", "Gain", "PixelFormat", "ReverseX", "AcquisitionStart", "DeviceUserID", "LutValues"]
    added = []
    for name in names:
        parameter = tavro_testing.AsParameter(params, name)  # a plain KyGenParameter object
        assert native.KyGenParameterList_Add(items, parameter) is None
        assert parameter.thisown is False  # the list takes no ownership
        added.append(parameter)
    expected = dict(gen_test_map.FEATURES)
    assert native.KyGenParameterList_GetSize(items) == len(names)
    walked = [native.KyGenParameterList_GetFirst(items)]
    while walked[-1] is not None:
        walked.append(native.KyGenParameterList_GetNext(items))
    assert walked[-1] is None and len(walked) == len(names) + 1
    for index, name in enumerate(names):
        for item in (native.KyGenParameterList_GetItem(items, index), native.KyGenParameterList___getitem__(items, index),
                     walked[index]):
            assert swig_type(item) == expected[name] + " *"
            assert address(item) == address(added[index])
    assert native.KyGenParameterList_GetItem(items, len(names)) is None
    assert native.KyGenParameterList___getitem__(items, 2 ** 32 - 1) is None
    assert native.KyGenParameterList_GetItem(items, True) is not None  # True is the index 1
    assert native.KyGenParameterList_Clear(items) is None
    assert native.KyGenParameterList_GetSize(items) == 0 and native.KyGenParameterList_GetFirst(items) is None
    # deleting the list leaves the features
    del items
    assert native.KyGenParameterArray_GetIntegerValue(params, "Width")[1] == 640


def test_adding_resets_the_cursor(params):
    items = ky.KyGenParameterList()
    width, height = tavro_testing.AsParameter(params, "Width"), tavro_testing.AsParameter(params, "Height")
    native.KyGenParameterList_Add(items, width)
    assert address(native.KyGenParameterList_GetNext(items)) == address(width)  # GetNext alone starts at the first
    native.KyGenParameterList_Add(items, height)
    assert address(native.KyGenParameterList_GetNext(items)) == address(width)


LIST = object()
CATEGORY = object()
PARAMETER = object()
ERRORS = [
    # (case, function, arguments, exception, text)
    ("index-negative", native.KyGenParameterList_GetItem, (LIST, -1), OverflowError,
     arg_text("KyGenParameterList_GetItem", 2, "uint32_t")),
    ("index-too-large", native.KyGenParameterList_GetItem, (LIST, 2 ** 32), OverflowError,
     arg_text("KyGenParameterList_GetItem", 2, "uint32_t")),
    ("index-text", native.KyGenParameterList_GetItem, (LIST, "0"), TypeError,
     arg_text("KyGenParameterList_GetItem", 2, "uint32_t")),
    ("getitem-negative", native.KyGenParameterList___getitem__, (LIST, -1), OverflowError,
     arg_text("KyGenParameterList___getitem__", 2, "uint32_t")),
    ("getitem-float", native.KyGenParameterList___getitem__, (LIST, 0.0), TypeError,
     arg_text("KyGenParameterList___getitem__", 2, "uint32_t")),
    ("add-category", native.KyGenParameterList_Add, (LIST, CATEGORY), TypeError,
     arg_text("KyGenParameterList_Add", 2, "KyGenParameter *")),
    ("add-none", native.KyGenParameterList_Add, (LIST, None), TypeError,
     arg_text("KyGenParameterList_Add", 2, "KyGenParameter *")),
    ("add-to-none", native.KyGenParameterList_Add, (None, PARAMETER), TypeError,
     arg_text("KyGenParameterList_Add", 1, "KyGenParameterList *")),
    ("add-to-parameter", native.KyGenParameterList_Add, (PARAMETER, PARAMETER), TypeError,
     arg_text("KyGenParameterList_Add", 1, "KyGenParameterList *")),
    ("add-count", native.KyGenParameterList_Add, (LIST,), TypeError, "KyGenParameterList_Add expected 2 arguments, got 1"),
    ("size-none", native.KyGenParameterList_GetSize, (None,), TypeError,
     arg_text("KyGenParameterList_GetSize", 1, "KyGenParameterList const *")),
    ("first-none", native.KyGenParameterList_GetFirst, (None,), TypeError,
     arg_text("KyGenParameterList_GetFirst", 1, "KyGenParameterList *")),
    ("sink-not-a-sink", native.KyGenEventSink_OnParameterUpdate, (LIST, PARAMETER), TypeError,
     arg_text("KyGenEventSink_OnParameterUpdate", 1, "KyGenEventSink *")),
    ("sink-none", native.KyGenEventSink_OnParameterUpdate, (None, PARAMETER), TypeError,
     arg_text("KyGenEventSink_OnParameterUpdate", 1, "KyGenEventSink *")),
    ("sink-count", native.KyGenEventSink_OnParameterUpdate, (LIST,), TypeError,
     "KyGenEventSink_OnParameterUpdate expected 2 arguments, got 1"),
    ("new-list-argument", native.new_KyGenParameterList, (1,), TypeError,
     "_tavro_python.new_KyGenParameterList() takes no arguments (1 given)"),
]


@pytest.mark.parametrize("function,args,error,text", [e[1:] for e in ERRORS], ids=[e[0] for e in ERRORS])
def test_argument_errors(params, function, args, error, text):
    stand_ins = {id(LIST): ky.KyGenParameterList(), id(CATEGORY): native.KyGenParameterArray_GetCategory(params, 0),
                 id(PARAMETER): tavro_testing.AsParameter(params, "Width")}
    args = tuple(stand_ins.get(id(a), a) for a in args)
    with pytest.raises(error) as raised:
        function(*args)
    assert type(raised.value) is error
    assert str(raised.value) == text


def test_the_native_sink_is_called(params):
    sink = tavro_testing.TestUpdateSink()
    width = tavro_testing.AsParameter(params, "Width")
    assert native.KyGenEventSink_OnParameterUpdate(sink, width) is None
    assert sink.Count() == 1 and sink.LastIs(width)
    # the sink's own conversion: a TestUpdateSink is a KyGenEventSink at its own address
    assert native.KyGenEventSink_OnParameterUpdate(sink.AsSink(), width) is None
    assert sink.Count() == 2
    with pytest.raises(TypeError) as raised:
        native.KyGenEventSink_OnParameterUpdate(sink, None)
    assert str(raised.value) == arg_text("KyGenEventSink_OnParameterUpdate", 2, "KyGenParameter *")
    assert sink.Count() == 2


def test_releasing_a_sink_never_frees_what_owns_it(params):
    sink = tavro_testing.TestUpdateSink()
    # a sink that is the base of another object stays with that object: refused, ownership kept
    with pytest.raises(TypeError) as raised:
        native.delete_KyGenEventSink(sink)
    assert str(raised.value) == arg_text("delete_KyGenEventSink", 1, "KyGenEventSink *")
    assert sink.thisown is True
    # a plain sink object is released without freeing anything: the native sink lives on
    base = sink.AsSink()
    assert swig_type(base) == "KyGenEventSink *"
    assert native.delete_KyGenEventSink(base) is None
    native.KyGenEventSink_OnParameterUpdate(sink, tavro_testing.AsParameter(params, "Width"))
    assert sink.Count() == 1
    assert native.delete_KyGenEventSink(None) is None


def test_python_iteration_ends_at_the_size(params):
    items = ky.KyGenParameterList()
    assert list(items) == []
    for name in ("Width", "Gain"):
        items.Add(tavro_testing.AsParameter(params, name))
    assert [swig_type(item) for item in items] == ["KyGenInteger *", "KyGenFloat *"]
