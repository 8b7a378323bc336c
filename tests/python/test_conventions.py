"""Argument conventions of every flat function: counts, types, ranges, strict bool, null
references, KyString conversion, overload dispatch and comparisons. One table of cases."""
import types

import _tavro_python as native
import _tavro_testing as testing
import pytest
import tavro_python

RESULT = tavro_python.KyResult(5)
TEXT = tavro_python.KyString("abc")
LOGGER = tavro_python.KyLogger("conventions")

NEW_RESULT_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'new_KyResult'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    KyResult::KyResult()\n"
    "    KyResult::KyResult(uint32_t)\n"
    "    KyResult::KyResult(uint32_t,uint32_t)\n"
    "    KyResult::KyResult(uint32_t,KyString const &)\n"
    "    KyResult::KyResult(uint32_t,uint32_t,KyString const &)\n"
    "    KyResult::KyResult(KyResult const &)\n")
NEW_STRING_DISPATCH = (
    "Wrong number or type of arguments for overloaded function 'new_KyString'.\n"
    "  Possible C/C++ prototypes are:\n"
    "    KyString::KyString()\n"
    "    KyString::KyString(KyString const &)\n"
    "    KyString::KyString(char const *)\n"
    "    KyString::KyString(char const *,unsigned int)\n"
    "    KyString::KyString(wchar_t const *)\n")


def arg_text(function, position, ctype):
    return "in method '%s', argument %d of type '%s'" % (function, position, ctype)


ERRORS = [
    # (case name, function, arguments, exception, exact text)
    ("count-fixed", native.KyResult_SetCode, (RESULT,), TypeError, "KyResult_SetCode expected 2 arguments, got 1"),
    ("count-fixed-more", native.KyResult_SetCode, (RESULT, 1, 2), TypeError,
     "KyResult_SetCode expected 2 arguments, got 3"),
    ("count-swiginit", native.KyResult_swiginit, (RESULT,), TypeError, "swiginit expected 2 arguments, got 1"),
    ("count-overloaded", native.new_KyResult, (1, 2, 3, 4), TypeError,
     "new_KyResult expected at most 3 arguments, got 4\nAdditional information:\n" + NEW_RESULT_DISPATCH),
    ("count-overloaded-string", native.new_KyString, (1, 2, 3), TypeError,
     "new_KyString expected at most 2 arguments, got 3\nAdditional information:\n" + NEW_STRING_DISPATCH),
    ("type-uint32", native.KyResult_SetCode, (RESULT, "x"), TypeError, arg_text("KyResult_SetCode", 2, "uint32_t")),
    ("overflow-uint32-high", native.KyResult_SetCode, (RESULT, 2 ** 32), OverflowError,
     arg_text("KyResult_SetCode", 2, "uint32_t")),
    ("overflow-uint32-negative", native.KyResult_SetCode, (RESULT, -1), OverflowError,
     arg_text("KyResult_SetCode", 2, "uint32_t")),
    ("overflow-int", native.KyLogger_LogInfo, (LOGGER, "f", 2 ** 31, "fn", "m"), OverflowError,
     arg_text("KyLogger_LogInfo", 3, "int")),
    ("type-int", native.KyLogger_LogWarning, (LOGGER, "f", 1.5, "fn", "m"), TypeError,
     arg_text("KyLogger_LogWarning", 3, "int")),
    ("type-int32", native.KyLogger_SetLogPriority, (LOGGER, "1"), TypeError,
     arg_text("KyLogger_SetLogPriority", 2, "int32_t")),
    ("type-enum", testing.TakeLevel, ("x",), TypeError, arg_text("TakeLevel", 1, "KyLogLevelEnum")),
    ("overflow-enum", testing.TakeLevel, (2 ** 31,), OverflowError, arg_text("TakeLevel", 1, "KyLogLevelEnum")),
    ("overflow-uint16", testing.TakeUInt16, (65536,), OverflowError, arg_text("TakeUInt16", 1, "uint16_t")),
    ("overflow-uint16-negative", testing.TakeUInt16, (-1,), OverflowError, arg_text("TakeUInt16", 1, "uint16_t")),
    ("overflow-int64", testing.TakeInt64, (2 ** 63,), OverflowError, arg_text("TakeInt64", 1, "int64_t")),
    ("overflow-uint64", testing.TakeUInt64, (2 ** 64,), OverflowError, arg_text("TakeUInt64", 1, "uint64_t")),
    ("overflow-size", testing.TakeSize, (-1,), OverflowError, arg_text("TakeSize", 1, "size_t")),
    ("type-double", testing.TakeDouble, ("1.0",), TypeError, arg_text("TakeDouble", 1, "double")),
    ("type-double-huge-int", testing.TakeDouble, (2 ** 1024,), TypeError, arg_text("TakeDouble", 1, "double")),
    ("bool-one", testing.TakeBool, (1,), TypeError, arg_text("TakeBool", 1, "bool")),
    ("bool-zero", testing.TakeBool, (0,), TypeError, arg_text("TakeBool", 1, "bool")),
    ("bool-none", testing.TakeBool, (None,), TypeError, arg_text("TakeBool", 1, "bool")),
    ("text-bytes", native.KyLogger_LogInfo, (LOGGER, b"f", 1, "fn", "m"), TypeError,
     arg_text("KyLogger_LogInfo", 2, "char const *")),
    ("null-reference", native.KyResult_SetDescription, (RESULT, None), ValueError,
     "invalid null reference " + arg_text("KyResult_SetDescription", 2, "KyString const &")),
    ("wrapped-only-description", native.KyResult_SetDescription, (RESULT, "why"), TypeError,
     arg_text("KyResult_SetDescription", 2, "KyString const &")),
    ("kystring-bytes", native.new_KyLogger, (b"name",), TypeError,
     "Argument 1: failed to create KyString from Python string"),
    ("kystring-none", native.new_KyLogger, (None,), TypeError,
     "Argument 1: failed to create KyString from Python string"),
    ("kystring-probe-takes-anything", native.new_KyString, (5,), TypeError,
     "Argument 1: failed to create KyString from Python string"),
    ("kystring-int-position-2", native.KyString___iadd__, (TEXT, 5), TypeError,
     "Argument 2: failed to create KyString from Python string"),
    ("kystring-bytearray", testing.EchoText, (0, bytearray(b"x")), TypeError,
     "Argument 2: failed to create KyString from Python string"),
    ("dispatch-description-str", native.new_KyResult, (1, "why"), TypeError, NEW_RESULT_DISPATCH),
    ("dispatch-string-count", native.new_KyString, ("abc", -1), TypeError, NEW_STRING_DISPATCH),
    ("dispatch-string-narrow", native.new_KyString, (b"abc", 1), TypeError, NEW_STRING_DISPATCH),
    ("none-instance", native.KyResult_GetCode, (None,), TypeError, arg_text("KyResult_GetCode", 1, "KyResult const *")),
    ("none-instance-method", native.KyLogger_LogInfo, (None, "f", 1, "fn", "m"), TypeError,
     arg_text("KyLogger_LogInfo", 1, "KyLogger *")),
    ("none-instance-disown", native.disown_KyLogSink, (None,), TypeError, arg_text("disown_KyLogSink", 1, "KyLogSink *")),
    ("wrong-instance", native.KyResult_GetCode, (TEXT,), TypeError, arg_text("KyResult_GetCode", 1, "KyResult const *")),
    ("delete-wrong-instance", native.delete_KyResult, (TEXT,), TypeError, arg_text("delete_KyResult", 1, "KyResult *")),
    ("swiginit-not-instance", native.KyResult_swiginit, (RESULT, 5), TypeError, "Attempt to append a non SwigPyObject"),
    ("swiginit-fresh-proxy-not-instance", native.KyResult_swiginit, (types.SimpleNamespace(), "x"), TypeError,
     "Attempt to append a non SwigPyObject"),
    ("abstract-callback", native.new_KyLogSink, (None,), RuntimeError, "accessing abstract class or protected constructor"),
]


@pytest.mark.parametrize("function,args,error,text", [c[1:] for c in ERRORS], ids=[c[0] for c in ERRORS])
def test_argument_errors(function, args, error, text):
    with pytest.raises(error) as raised:
        function(*args)
    assert type(raised.value) is error
    assert str(raised.value) == text


ACCEPTED = [
    # (case name, function, arguments, result)
    ("bool-true", testing.TakeBool, (True,), True),
    ("int64-min", testing.TakeInt64, (-2 ** 63,), -2 ** 63),
    ("uint64-max", testing.TakeUInt64, (2 ** 64 - 1,), 2 ** 64 - 1),
    ("uint16-max", testing.TakeUInt16, (65535,), 65535),
    ("double-from-int", testing.TakeDouble, (3,), 3.0),
    ("enum-not-a-member", testing.TakeLevel, (-7,), -7),
    ("delete-none", native.delete_KyResult, (None,), None),
]


@pytest.mark.parametrize("function,args,result", [c[1:] for c in ACCEPTED], ids=[c[0] for c in ACCEPTED])
def test_accepted_arguments(function, args, result):
    assert function(*args) == result


COMPARISONS = [
    # (case name, function, arguments)
    ("result-str", native.KyResult___eq__, (RESULT, "x")),
    ("result-three-args", native.KyResult___eq__, (RESULT, 1, 2)),
    ("result-no-args", native.KyResult___ne__, ()),
    ("result-code-too-big", native.KyResult___eq__, (RESULT, 2 ** 32)),
    ("result-none", native.KyResult___eq__, (RESULT, None)),
    ("result-none-instance", native.KyResult___eq__, (None, 5)),
    ("string-int", native.KyString___eq__, (TEXT, 5)),
    ("string-bytes", native.KyString___ne__, (TEXT, b"abc")),
    ("string-none", native.KyString___eq__, (TEXT, None)),
    ("string-one-arg", native.KyString___eq__, (TEXT,)),
]


@pytest.mark.parametrize("function,args", [c[1:] for c in COMPARISONS], ids=[c[0] for c in COMPARISONS])
def test_comparisons_give_not_implemented(function, args):
    assert function(*args) is NotImplemented


def test_swiginit_attaches_and_chains_instance_objects():
    proxy = types.SimpleNamespace()
    first = native.new_KyResult(7)
    assert native.KyResult_swiginit(proxy, first) is None
    assert proxy.this is first and native.KyResult_GetCode(proxy) == 7
    second = native.new_KyResult(8)
    assert native.KyResult_swiginit(proxy, second) is None
    assert proxy.this.next() is second


def test_python_equality_falls_back():
    assert (RESULT == "x") is False
    assert (RESULT != "x") is True
    assert (TEXT == 5) is False
