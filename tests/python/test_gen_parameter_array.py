"""KyGenParameterArray over the test XML's node map: browsing with down-casts, the key rules,
typed look-ups, by-name reads and writes, ranges, commands, invalidation, chunks, the argument
texts and threads. The same road against a soft camera is in netns/test_gen_device.py."""
import gc
import threading
import time

import _tavro_python as native
import numpy
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


def overload_text(function, prototypes):
    return ("Wrong number or type of arguments for overloaded function '%s'.\n  Possible C/C++ prototypes are:\n"
            % function + "".join("    %s\n" % p for p in prototypes))


GET_TEXT = overload_text("KyGenParameterArray_Get", ["KyGenParameterArray::Get(uint32_t)",
                                                     "KyGenParameterArray::Get(KyString const &)"])
GETITEM_TEXT = overload_text("KyGenParameterArray___getitem__", ["KyGenParameterArray::operator [](uint32_t)",
                                                                 "KyGenParameterArray::operator [](KyString const &)"])
CATEGORY_TEXT = overload_text("KyGenParameterArray_GetCategory", [
    "KyGenParameterArray::GetCategory(uint32_t)", "KyGenParameterArray::GetCategory(KyString const &)"])
SET_ENUM_TEXT = overload_text("KyGenParameterArray_SetEnumValue", [
    "KyGenParameterArray::SetEnumValue(KyString const &,KyString const &)",
    "KyGenParameterArray::SetEnumValue(KyString const &,int64_t)"])
KYSTRING_2 = "Argument 2: failed to create KyString from Python string"
KYSTRING_3 = "Argument 3: failed to create KyString from Python string"


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


def test_browsing_hands_out_each_feature_as_its_typed_class(params):
    assert native.KyGenParameterArray_GetCount(params) == len(gen_test_map.FEATURES)
    for index, (name, cls) in enumerate(gen_test_map.FEATURES):
        by_index = native.KyGenParameterArray_Get(params, index)
        by_name = native.KyGenParameterArray_Get(params, name)
        item = native.KyGenParameterArray___getitem__(params, index)
        assert swig_type(by_index) == swig_type(by_name) == swig_type(item) == cls + " *", name
        assert address(by_index) == address(by_name) == address(item)
        assert address(by_index) == address(tavro_testing.AsParameter(params, name))
        if hasattr(ky, cls):  # the typed class's proxy, borrowed
            assert type(by_index) is getattr(ky, cls) and not by_index.thisown
    count = native.KyGenParameterArray_GetCount(params)
    assert native.KyGenParameterArray_Get(params, count) is None
    assert native.KyGenParameterArray___getitem__(params, count) is None
    assert native.KyGenParameterArray_Get(params, "NoSuchFeature") is None
    assert native.KyGenParameterArray_Get(params, ky.KyString("Width")) is not None
    # True is the index 1, False the index 0
    assert address(native.KyGenParameterArray_Get(params, True)) == address(native.KyGenParameterArray_Get(params, 1))
    assert address(native.KyGenParameterArray___getitem__(params, False)) == address(params.Get(0))


KEYS = [
    # (case, key): neither an index in 0..0xFFFFFFFF nor text
    ("negative", -1), ("too-large", 2 ** 32), ("float", 2.0), ("none", None), ("bytes", b"x"),
]


@pytest.mark.parametrize("function", [native.KyGenParameterArray_Get, native.KyGenParameterArray___getitem__,
                                      native.KyGenParameterArray_GetCategory])
@pytest.mark.parametrize("key", [k[1] for k in KEYS], ids=[k[0] for k in KEYS])
def test_keys_that_are_neither_index_nor_text(params, function, key):
    with pytest.raises(TypeError) as raised:
        function(params, key)
    assert str(raised.value) == KYSTRING_2


def test_categories(params):
    assert native.KyGenParameterArray_GetCategoryCount(params) == len(gen_test_map.CATEGORIES)
    for index, name in enumerate(gen_test_map.CATEGORIES):
        by_index = native.KyGenParameterArray_GetCategory(params, index)
        by_name = native.KyGenParameterArray_GetCategory(params, name)
        assert swig_type(by_index) == "KyGenCategory *" and address(by_index) == address(by_name)
    assert native.KyGenParameterArray_GetCategory(params, len(gen_test_map.CATEGORIES)) is None
    assert native.KyGenParameterArray_GetCategory(params, "Width") is None


TYPED_GETTERS = [
    # (getter, feature, class handed out, or None for a feature of another kind)
    (native.KyGenParameterArray_GetInteger, "Width", "KyGenInteger"),
    (native.KyGenParameterArray_GetInteger, "Gain", None),
    (native.KyGenParameterArray_GetFloat, "Gain", "KyGenFloat"),
    (native.KyGenParameterArray_GetFloat, "Width", None),
    (native.KyGenParameterArray_GetEnum, "PixelFormat", "KyGenEnum"),
    (native.KyGenParameterArray_GetEnum, "ReverseX", None),
    (native.KyGenParameterArray_GetBoolean, "ReverseX", "KyGenBoolean"),
    (native.KyGenParameterArray_GetBoolean, "AcquisitionStart", None),
    (native.KyGenParameterArray_GetCommand, "AcquisitionStart", "KyGenCommand"),
    (native.KyGenParameterArray_GetCommand, "DeviceUserID", None),
    (native.KyGenParameterArray_GetString, "DeviceUserID", "KyGenString"),
    (native.KyGenParameterArray_GetString, "LutValues", None),
    (native.KyGenParameterArray_GetRegister, "LutValues", "KyGenRegister"),
    (native.KyGenParameterArray_GetRegister, "NoSuchFeature", None),
]


@pytest.mark.parametrize("getter,name,cls", TYPED_GETTERS, ids=["%s-%s" % (g.__name__[20:], n) for g, n, _ in TYPED_GETTERS])
def test_typed_getters(params, getter, name, cls):
    found = getter(params, name)
    if cls is None:
        assert found is None
    else:
        assert swig_type(found) == cls + " *"
        assert address(found) == address(native.KyGenParameterArray_Get(params, name))


def ok_list(result, value):
    assert type(result) is list and len(result) == 2 and type(result[0]) is ky.KyResult
    assert result[0].IsOK(), str(result[0].GetDescription())
    assert result[1] == value and type(result[1]) is type(value)


def test_reads_and_writes_by_name(params, node_map):
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "Width"), 640)
    r = native.KyGenParameterArray_SetIntegerValue(params, "Width", 800)
    assert type(r) is ky.KyResult and r.IsOK()
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, ky.KyString("Width")), 800)
    assert node_map.Peek32(0) == 800

    assert native.KyGenParameterArray_SetFloatValue(params, "Gain", 2).IsOK()  # an int is taken as a double
    ok_list(native.KyGenParameterArray_GetFloatValue(params, "Gain"), 2.0)

    assert native.KyGenParameterArray_SetBooleanValue(params, "ReverseX", True).IsOK()
    ok_list(native.KyGenParameterArray_GetBooleanValue(params, "ReverseX"), True)

    ok_list(native.KyGenParameterArray_SetStringValue(params, "DeviceUserID", "left camera"), "left camera")
    ok_list(native.KyGenParameterArray_GetStringValue(params, "DeviceUserID"), "left camera")

    ok_list(native.KyGenParameterArray_GetEnumValueString(params, "PixelFormat"), "Mono8")
    ok_list(native.KyGenParameterArray_SetEnumValue(params, "PixelFormat", "Mono16"), "Mono16")
    ok_list(native.KyGenParameterArray_GetEnumValueInt(params, "PixelFormat"), 0x01100007)
    r = native.KyGenParameterArray_SetEnumValue(params, "PixelFormat", 0x01080001)
    assert type(r) is ky.KyResult and r.IsOK()  # the integer form returns the bare result
    ok_list(native.KyGenParameterArray_GetEnumValueString(params, "PixelFormat"), "Mono8")
    assert native.KyGenParameterArray_SetEnumValue(params, "GainSelector", True).IsOK()  # True is the int 1
    ok_list(native.KyGenParameterArray_GetEnumValueString(params, "GainSelector"), "Red")

    assert node_map.Peek32(0x30) == 0
    r = native.KyGenParameterArray_ExecuteCommand(params, "AcquisitionStart")
    assert type(r) is ky.KyResult and r.IsOK() and node_map.Peek32(0x30) == 1


def failed_list(result, value):
    assert type(result) is list and len(result) == 2 and not result[0].IsOK()
    assert result[1] is value


MISSING = [
    # (read by name, what stands beside the failed result)
    (native.KyGenParameterArray_GetIntegerValue, None), (native.KyGenParameterArray_GetFloatValue, None),
    (native.KyGenParameterArray_GetStringValue, None), (native.KyGenParameterArray_GetEnumValueString, None),
    (native.KyGenParameterArray_GetEnumValueInt, None), (native.KyGenParameterArray_GetBooleanValue, False),
]


@pytest.mark.parametrize("read,value", MISSING, ids=[m[0].__name__ for m in MISSING])
def test_reads_of_a_missing_feature(params, read, value):
    result = read(params, "NoSuchFeature")
    failed_list(result, value)
    assert result[0].GetCode() == ky.KY_NOT_FOUND


REFUSALS = [
    # (case, write, feature, value, read, value kept)
    ("above-max", native.KyGenParameterArray_SetIntegerValue, "Width", 4100,
     native.KyGenParameterArray_GetIntegerValue, 640),
    ("off-increment", native.KyGenParameterArray_SetIntegerValue, "Width", 642,
     native.KyGenParameterArray_GetIntegerValue, 640),
    ("below-min", native.KyGenParameterArray_SetFloatValue, "Gain", -1.0, native.KyGenParameterArray_GetFloatValue, 0.0),
    ("read-only", native.KyGenParameterArray_SetIntegerValue, "SensorTemperature", 5,
     native.KyGenParameterArray_GetIntegerValue, 41),
    ("too-long-string", native.KyGenParameterArray_SetStringValue, "DeviceUserID", "x" * 17,
     native.KyGenParameterArray_GetStringValue, ""),
    ("no-such-entry", native.KyGenParameterArray_SetEnumValue, "PixelFormat", "RGB8",
     native.KyGenParameterArray_GetEnumValueString, "Mono8"),
    ("no-such-entry-value", native.KyGenParameterArray_SetEnumValue, "PixelFormat", 5,
     native.KyGenParameterArray_GetEnumValueString, "Mono8"),
    ("wrong-kind", native.KyGenParameterArray_SetFloatValue, "Width", 100.0,
     native.KyGenParameterArray_GetIntegerValue, 640),
]


@pytest.mark.parametrize("write,name,value,read,kept", [r[1:] for r in REFUSALS], ids=[r[0] for r in REFUSALS])
def test_refused_writes_leave_the_value(params, write, name, value, read, kept):
    result = write(params, name, value)
    r = result[0] if type(result) is list else result
    assert not r.IsOK()
    if type(result) is list:
        assert result[1] is None  # a refused text is not echoed
    ok_list(read(params, name), kept)


def test_write_only_read_fails(params):
    assert native.KyGenParameterArray_SetIntegerValue(params, "WriteOnlyTrigger", 3).IsOK()
    failed_list(native.KyGenParameterArray_GetIntegerValue(params, "WriteOnlyTrigger"), None)


def test_ranges_are_tuples(params):
    r, low, high = result = native.KyGenParameterArray_GetIntegerRange(params, "Width")
    assert type(result) is tuple and r.IsOK() and (low, high) == (16, 4096) and type(low) is int
    r, low, high = result = native.KyGenParameterArray_GetFloatRange(params, "Gain")
    assert type(result) is tuple and r.IsOK() and (low, high) == (0.0, 48.0) and type(high) is float
    for function, name in [(native.KyGenParameterArray_GetIntegerRange, "NoSuchFeature"),
                           (native.KyGenParameterArray_GetIntegerRange, "Gain"),
                           (native.KyGenParameterArray_GetFloatRange, "Width")]:
        result = function(params, name)
        assert type(result) is tuple and len(result) == 3 and not result[0].IsOK()
        assert result[1:] == (None, None)


def test_selector_values_and_invalidators(params, node_map):
    # each gain selection has its own gain value
    for selection, gain in [("All", 1.5), ("Red", 2.5), ("Blue", 3.0)]:
        ok_list(native.KyGenParameterArray_SetEnumValue(params, "GainSelector", selection), selection)
        assert native.KyGenParameterArray_SetFloatValue(params, "Gain", gain).IsOK()
    for selection, gain in [("Red", 2.5), ("All", 1.5), ("Blue", 3.0)]:
        native.KyGenParameterArray_SetEnumValue(params, "GainSelector", selection)
        ok_list(native.KyGenParameterArray_GetFloatValue(params, "Gain"), gain)
    assert [node_map.Peek32(0x100 + 4 * k) for k in range(3)] == [15, 25, 30]

    # PayloadSize follows Width; the cached SensorTemperature is read again after a Width write
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "PayloadSize"), 640 * 480)
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "SensorTemperature"), 41)
    node_map.Poke32(0x90, 55)  # changed behind the node map
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "SensorTemperature"), 41)
    assert native.KyGenParameterArray_SetIntegerValue(params, "Width", 320).IsOK()
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "PayloadSize"), 320 * 480)
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "SensorTemperature"), 55)


def test_invalidate_cache_reads_the_device_again(params, node_map):
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "SensorTemperature"), 41)
    node_map.Poke32(0x90, 66)
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "SensorTemperature"), 41)
    r = native.KyGenParameterArray_InvalidateCache(params)
    assert type(r) is ky.KyResult and r.IsOK()
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "SensorTemperature"), 66)
    r = native.KyGenParameterArray_Poll(params)
    assert type(r) is ky.KyResult and r.IsOK()


def chunk_payload(width, height):
    """GigE Vision chunk layout: the chunk's data, then its id and length, big-endian."""
    data = numpy.array([width, height], dtype=">u4").view(numpy.uint8)
    trailer = numpy.array([0xA0, 8], dtype=">u4").view(numpy.uint8)
    return numpy.concatenate([data, trailer])


def test_chunks_attach_and_detach(params):
    failed_list(native.KyGenParameterArray_GetIntegerValue(params, "ChunkWidth"), None)
    payload = chunk_payload(1280, 960)
    r = native.KyGenParameterArray_AttachDataChunks(params, payload)
    assert type(r) is ky.KyResult and r.IsOK()
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "ChunkWidth"), 1280)
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "ChunkHeight"), 960)
    # the node map keeps its own copy: the caller's array may change or go
    payload[:] = 0xEE
    del payload
    gc.collect()
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "ChunkWidth"), 1280)
    r = native.KyGenParameterArray_DetachDataChunks(params)
    assert type(r) is ky.KyResult and r.IsOK()
    result = native.KyGenParameterArray_GetIntegerValue(params, "ChunkWidth")
    failed_list(result, None)
    assert result[0].GetCode() == ky.KY_NO_AVAILABLE_DATA


CHUNK_INPUTS = [
    # (case, array-like) all holding the layout of ChunkWidth 64, ChunkHeight 48
    ("list-of-ints", chunk_payload(64, 48).tolist()),
    ("tuple-of-ints", tuple(chunk_payload(64, 48).tolist())),
    ("non-contiguous-slice", numpy.repeat(chunk_payload(64, 48), 2)[::2]),
    ("bytes-of-uint8", chunk_payload(64, 48)),
]


@pytest.mark.parametrize("payload", [c[1] for c in CHUNK_INPUTS], ids=[c[0] for c in CHUNK_INPUTS])
def test_chunk_inputs_that_need_a_conversion(params, payload):
    assert native.KyGenParameterArray_AttachDataChunks(params, payload).IsOK()
    gc.collect()  # a converted temporary is gone; the chunk features read the node map's copy
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "ChunkWidth"), 64)
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "ChunkHeight"), 48)


def test_chunk_attach_refusals(params):
    with pytest.raises(TypeError) as raised:
        native.KyGenParameterArray_AttachDataChunks(params, numpy.zeros((2, 6), numpy.uint8))
    assert str(raised.value) == "Array must have 1 dimensions.  Given array has 2 dimensions"
    assert native.KyGenParameterArray_AttachDataChunks(params, numpy.zeros(0, numpy.uint8)).IsOK()
    r = native.KyGenParameterArray_AttachDataChunks(params, numpy.zeros(3, numpy.uint8))
    assert r.GetCode() == ky.KY_INVALID_DATA_FORMAT


def test_owned_and_empty_arrays():
    owned = native.new_KyGenParameterArray()
    proxy = ky.KyGenParameterArray()
    assert proxy.thisown
    for array in (owned, proxy):
        assert native.KyGenParameterArray_GetCount(array) == 0
        assert native.KyGenParameterArray_GetCategoryCount(array) == 0
        assert native.KyGenParameterArray_Get(array, 0) is None
        assert native.KyGenParameterArray_GetNodeMap(array) is None
        assert native.KyGenParameterArray_GetAccessMode(array) == ky.KyGenAccessModeNotAvailable
    assert native.delete_KyGenParameterArray(owned) is None
    assert native.delete_KyGenParameterArray(None) is None  # deleting nothing is harmless
    with pytest.raises(TypeError) as raised:
        native.new_KyGenParameterArray(1)
    assert "takes no arguments" in str(raised.value)


def test_node_map_handle_and_access_mode(params):
    assert native.KyGenParameterArray_GetAccessMode(params) == ky.KyGenAccessModeReadWrite
    assert swig_type(native.KyGenParameterArray_GetNodeMap(params)) == "KY_GENAPI_NS::INodeMap *"


ARRAY = object()  # stands for the loaded array in the table below
ERRORS = [
    # (case, function, arguments, exception, text)
    ("get-self-only", native.KyGenParameterArray_Get, (ARRAY,), TypeError, GET_TEXT),
    ("get-three", native.KyGenParameterArray_Get, (ARRAY, 1, 2), TypeError,
     "KyGenParameterArray_Get expected at most 2 arguments, got 3\nAdditional information:\n" + GET_TEXT),
    ("get-bad-self", native.KyGenParameterArray_Get, (5, 1), TypeError, GET_TEXT),
    ("getitem-bad-self", native.KyGenParameterArray___getitem__, ("x", "Width"), TypeError, GETITEM_TEXT),
    ("category-bad-self", native.KyGenParameterArray_GetCategory, (1.0, 0), TypeError, CATEGORY_TEXT),
    ("get-none-self", native.KyGenParameterArray_Get, (None, 0), TypeError,
     arg_text("KyGenParameterArray_Get", 1, "KyGenParameterArray *")),
    ("count-none-self", native.KyGenParameterArray_GetCount, (None,), TypeError,
     arg_text("KyGenParameterArray_GetCount", 1, "KyGenParameterArray const *")),
    ("category-count-wrong-self", native.KyGenParameterArray_GetCategoryCount, ("x",), TypeError,
     arg_text("KyGenParameterArray_GetCategoryCount", 1, "KyGenParameterArray const *")),
    ("access-mode-none-self", native.KyGenParameterArray_GetAccessMode, (None,), TypeError,
     arg_text("KyGenParameterArray_GetAccessMode", 1, "KyGenParameterArray const *")),
    ("poll-none-self", native.KyGenParameterArray_Poll, (None,), TypeError,
     arg_text("KyGenParameterArray_Poll", 1, "KyGenParameterArray *")),
    ("name-none", native.KyGenParameterArray_GetIntegerValue, (ARRAY, None), TypeError, KYSTRING_2),
    ("name-bytes", native.KyGenParameterArray_GetFloat, (ARRAY, b"Gain"), TypeError, KYSTRING_2),
    ("name-before-value", native.KyGenParameterArray_SetIntegerValue, (ARRAY, None, "x"), TypeError, KYSTRING_2),
    ("int64-overflow", native.KyGenParameterArray_SetIntegerValue, (ARRAY, "Width", 2 ** 63), OverflowError,
     arg_text("KyGenParameterArray_SetIntegerValue", 3, "int64_t")),
    ("int64-float", native.KyGenParameterArray_SetIntegerValue, (ARRAY, "Width", 640.0), TypeError,
     arg_text("KyGenParameterArray_SetIntegerValue", 3, "int64_t")),
    ("double-text", native.KyGenParameterArray_SetFloatValue, (ARRAY, "Gain", "1"), TypeError,
     arg_text("KyGenParameterArray_SetFloatValue", 3, "double")),
    ("bool-one", native.KyGenParameterArray_SetBooleanValue, (ARRAY, "ReverseX", 1), TypeError,
     arg_text("KyGenParameterArray_SetBooleanValue", 3, "bool")),
    ("bool-none", native.KyGenParameterArray_SetBooleanValue, (ARRAY, "ReverseX", None), TypeError,
     arg_text("KyGenParameterArray_SetBooleanValue", 3, "bool")),
    ("string-none", native.KyGenParameterArray_SetStringValue, (ARRAY, "DeviceUserID", None), TypeError, KYSTRING_3),
    ("enum-float", native.KyGenParameterArray_SetEnumValue, (ARRAY, "PixelFormat", 1.0), TypeError, KYSTRING_3),
    ("enum-none", native.KyGenParameterArray_SetEnumValue, (ARRAY, "PixelFormat", None), TypeError, KYSTRING_3),
    ("enum-huge", native.KyGenParameterArray_SetEnumValue, (ARRAY, "PixelFormat", 2 ** 64), TypeError, KYSTRING_3),
    ("enum-int-bad-name", native.KyGenParameterArray_SetEnumValue, (ARRAY, None, 1), TypeError, KYSTRING_2),
    ("enum-bad-self", native.KyGenParameterArray_SetEnumValue, (5, "PixelFormat", 1), TypeError, SET_ENUM_TEXT),
    ("enum-four", native.KyGenParameterArray_SetEnumValue, (ARRAY, "PixelFormat", 1, 2), TypeError,
     "KyGenParameterArray_SetEnumValue expected at most 3 arguments, got 4\nAdditional information:\n" + SET_ENUM_TEXT),
    ("range-count", native.KyGenParameterArray_GetIntegerRange, (ARRAY,), TypeError,
     "KyGenParameterArray_GetIntegerRange expected 2 arguments, got 1"),
    ("attach-count", native.KyGenParameterArray_AttachDataChunks, (ARRAY,), TypeError,
     "KyGenParameterArray_AttachDataChunks expected 2 arguments, got 1"),
]


@pytest.mark.parametrize("function,args,error,text", [e[1:] for e in ERRORS], ids=[e[0] for e in ERRORS])
def test_argument_errors(params, function, args, error, text):
    args = tuple(params if a is ARRAY else a for a in args)
    with pytest.raises(error) as raised:
        function(*args)
    assert type(raised.value) is error
    assert str(raised.value) == text


def test_threads_write_and_browse(params):
    rounds = 300
    errors = []

    def write(name, values):
        for v in values:
            if not native.KyGenParameterArray_SetIntegerValue(params, name, v).IsOK():
                errors.append((name, v))

    def browse():
        for _ in range(rounds // 10):
            for index in range(native.KyGenParameterArray_GetCount(params)):
                if native.KyGenParameterArray_Get(params, index) is None:
                    errors.append(("browse", index))
            native.KyGenParameterArray_GetIntegerRange(params, "Width")

    widths = [16 + 4 * (k % 1000) for k in range(rounds)]
    heights = [1 + k % 4000 for k in range(rounds)]
    threads = [threading.Thread(target=write, args=("Width", widths)),
               threading.Thread(target=write, args=("Height", heights)), threading.Thread(target=browse)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(60)
    assert not any(t.is_alive() for t in threads)
    assert errors == []
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "Width"), widths[-1])
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "Height"), heights[-1])


def test_the_interpreter_lock_is_released_during_the_call(params, node_map):
    # The device read blocks until another Python thread releases it: only possible when the
    # read runs without the interpreter lock (else the read gives up after its bound).
    native.KyGenParameterArray_InvalidateCache(params)
    node_map.HoldReads()

    def release():
        deadline = time.monotonic() + 20  # bounds a hang only
        while not node_map.ReadWaiting() and time.monotonic() < deadline:
            time.sleep(0.001)
        node_map.ReleaseReads()

    releaser = threading.Thread(target=release)
    releaser.start()
    ok_list(native.KyGenParameterArray_GetIntegerValue(params, "Width"), 640)
    releaser.join(30)
    assert node_map.WaitedForRelease()


DOCSTRINGS = [
    # (flat function, text its docstring holds)
    ("KyGenParameterArray_Get", "\n*Overload 1:*\nThe feature at a position (document order).\n\n:type aIndex: int, in\n"),
    ("KyGenParameterArray___getitem__", "*Overload 2:*\nThe feature of a name.\n\n:type aName: str, in\n"),
    ("KyGenParameterArray_SetEnumValue", "*Overload 2:*"),
    ("KyGenParameterArray_GetFloatValue", ":param aName: the feature's name\n"),
    ("KyGenParameterArray_SetStringValue", ":param aValue: the value\n"),
    ("KyGenParameterArray_AttachDataChunks", ":param aBuffer: the payload"),
    ("KyGenParameterList_GetItem", ":param aIndex: the position\n"),
    ("KyGenParameterList_Add", ":param aParameter: the parameter\n"),
    ("KyGenParameter_IsValueCached", "Whether the host keeps a cached copy of the value"),
    ("KyGenParameter_GetSelectingParameters", "The selectors of this feature."),
    ("KyGenEventSink_OnParameterUpdate", ":param aParameter:"),
]


@pytest.mark.parametrize("function,text", DOCSTRINGS, ids=[d[0] for d in DOCSTRINGS])
def test_docstrings_come_from_the_sdk_headers(function, text):
    assert text in getattr(native, function).__doc__


def test_python_iteration_ends_at_the_count(params):
    found = list(params)
    assert [address(f) for f in found] == [address(params.Get(k)) for k in range(params.GetCount())]
    assert list(ky.KyGenParameterArray()) == []
