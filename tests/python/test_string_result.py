"""KyString and KyResult bindings."""
import _tavro_python as native
import _tavro_testing as testing
import pytest
import tavro_python as ky


def test_result_construction_forms():
    cases = [
        # (arguments, code, OS code, description or None)
        ((), 0, 0, None),
        ((ky.KY_NOT_FOUND,), 25, 0, None),
        ((ky.KY_TIMEOUT, 7), 30, 7, None),
        ((ky.KY_TIMEOUT, ky.KyString("late")), 30, 0, "late"),
        ((ky.KY_BUSY, 3, ky.KyString("busy")), 514, 3, "busy"),
        ((ky.KyResult(ky.KY_ABORTED, ky.KyString("copy")),), 1, 0, "copy"),
    ]
    for args, code, os_code, description in cases:
        r = ky.KyResult(*args)
        assert r.GetCode() == code, args
        assert r.GetOSCode() == os_code, args
        assert r.HasDescription() == (description is not None), args
        if description is not None:
            d = r.GetDescription()
            assert isinstance(d, ky.KyString) and str(d) == description


def test_result_state_and_texts():
    ok = ky.KyResult()
    assert ok.IsOK() and ok.IsSuccess() and not ok.IsFailure() and not ok.IsPending()
    assert str(ok.GetCodeString()) == "KY_OK"
    pending = ky.KyResult(ky.KY_PENDING)
    assert pending.IsPending() and pending.IsSuccess() and not pending.IsOK()
    r = ky.KyResult()
    r.SetCode(ky.KY_NOT_CONNECTED)
    r.SetDescription(ky.KyString("gone"))
    assert (r.GetCode(), str(r.GetCodeString()), str(r.GetDescription())) == (23, "KY_NOT_CONNECTED", "gone")
    assert r.GetInternalCode() == 0


def test_result_comparisons():
    ok = ky.KyResult()
    assert native.KyResult___eq__(ok, 0) is True
    assert native.KyResult___ne__(ok, 0) is False
    assert native.KyResult___eq__(ok, ky.KyResult(5)) is False
    assert ky.KyResult(5) == ky.KyResult(5)
    assert ky.KyResult(5) == 5 and ky.KyResult(5) != 6


def test_result_or_assignment_keeps_first_failure_and_moves_ownership():
    r = ky.KyResult()
    old = r
    r |= ky.KyResult(ky.KY_TIMEOUT)
    assert r.GetCode() == ky.KY_TIMEOUT
    assert r.thisown and not old.thisown
    r |= ky.KyResult(ky.KY_BUSY)
    assert r.GetCode() == ky.KY_TIMEOUT


def test_string_construction_and_texts():
    cases = [
        # (arguments, text, length in UTF-8 bytes)
        ((), "", 0),
        (("héllo",), "héllo", 6),
        ((ky.KyString("copy"),), "copy", 4),
        (("abcdef", 3), "abc", 3),
        (("ab", 100), "ab", 2),  # a count beyond the text stops at its end
        (("a\0b",), "a", 1),  # the text up to the first NUL
        ((None,), "", 0),  # no text: an empty string
    ]
    for args, text, length in cases:
        s = ky.KyString(*args)
        assert (str(s), s.GetUnicode(), s.GetAscii(), s.GetLength()) == (text, text, text, length), args


def test_string_comparisons_and_in_place_add():
    s = ky.KyString("abc")
    assert native.KyString___eq__(s, "abc") is True
    assert native.KyString___ne__(s, "abd") is True
    assert native.KyString___eq__(s, ky.KyString("abc")) is True
    assert native.KyString___eq__(s, 5) is NotImplemented
    s += "def"
    assert s == "abcdef" and type(s) is str


def test_string_out_forms():
    # out-value text: a str when the result is OK, None otherwise
    r, text = testing.EchoText(ky.KY_OK, "seen")
    assert r.IsOK() and text == "seen"
    r, text = testing.EchoText(ky.KY_TIMEOUT, ky.KyString("hidden"))
    assert r.GetCode() == ky.KY_TIMEOUT and text is None
    # a wrapped KyString filled in place
    target = ky.KyString()
    testing.FillText(target)
    assert str(target) == "filled"
    # by value: an owned KyString proxy
    made = testing.MakeText("made")
    assert isinstance(made, ky.KyString) and made.thisown and str(made) == "made"
    assert testing.NullText() is None


def test_out_value_lists():
    r, value, ratio = testing.GetNumbers(ky.KY_OK)
    assert r.IsOK() and value == 4000000000 and ratio == 0.5
    result = testing.GetNumbers(ky.KY_TIMEOUT)
    assert type(result) is list and result[0].GetCode() == ky.KY_TIMEOUT and result[1:] == [None, None]
    # a void call: the first out-value replaces None, the second makes a list
    assert testing.HighHalf(0x12345678) == 0x1234
    assert testing.SplitWord(0x12345678) == [0x1234, 0x5678]


def test_narrow_text_results_keep_bytes_that_are_not_utf8():
    s = ky.KyString("x")
    assert s.GetAscii() == "x"
    # KyString stores UTF-8; a lone surrogate from Python comes back through surrogateescape
    assert ky.KyString("\udcff").GetAscii() is not None


NUL_TEXTS = [
    # (case name, call, the text the SDK saw)
    ("constructor", lambda: str(ky.KyString("ab\0cd")), "ab"),
    ("kystring-argument", lambda: testing.EchoText(ky.KY_OK, "ab\0cd")[1], "ab"),
    ("leading-nul", lambda: testing.EchoText(ky.KY_OK, "\0cd")[1], ""),
    ("joined", lambda: native.KyString___iadd__(ky.KyString("x"), "ab\0cd"), "xab"),
]


@pytest.mark.parametrize("call,seen", [c[1:] for c in NUL_TEXTS], ids=[c[0] for c in NUL_TEXTS])
def test_str_with_an_embedded_nul_is_taken_up_to_it(call, seen):
    assert call() == seen


def test_str_with_an_embedded_nul_compares_by_its_text_before_the_nul():
    s = ky.KyString("ab")
    assert native.KyString___eq__(s, "ab\0cd") is True
    assert native.KyString___ne__(s, "ab\0cd") is False
    assert native.KyString___eq__(s, "a\0b") is False


def test_docstrings_carry_the_sdk_documentation():
    assert native.new_KyResult.__doc__.startswith("\n*Overload 1:*\nA result with the code KY_OK.\n")
    assert ":type code: int, in\n:param code: a result code\n" in native.new_KyResult.__doc__
    assert "*Overload 6:*" in native.new_KyResult.__doc__
    assert native.KyResult_GetCode.__doc__ == (
        "\nThe result code.\n\n:rtype: int\n:return: a result code (KY_OK, KY_NOT_FOUND, ...)\n")
    assert ":type description: :py:class:`KyString`, in\n" in native.KyResult_SetDescription.__doc__
    assert ":rtype: boolean\n" in native.KyResult_IsOK.__doc__
    assert "*Overload 3:*" in native.new_KyString.__doc__ and ":param count:" in native.new_KyString.__doc__
    assert ":rtype: int\n:return: the number of UTF-8 bytes\n" in native.KyString_GetLength.__doc__
    assert ":param category: name written with each record" in native.new_KyLogger.__doc__
    assert ":type file: string, in\n:param file: source file (null: empty)\n" in native.KyLogger_LogError.__doc__
    assert ":return: a KyLogLevelEnum value" in native.KyLogger_GetLogPriority.__doc__
    assert ":param message: the text" in native.KyLogSink_Log.__doc__
