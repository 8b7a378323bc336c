"""KyLogger and Python KyLogSink subclasses called from native threads."""
import gc
import sys
import threading
import types
import weakref

import _tavro_python as native
import pytest
import tavro_python as ky
import tavro_testing as testing


class CountingSink(ky.KyLogSink):
    def __init__(self):
        super().__init__()
        self.lock = threading.Lock()
        self.records = []
        self.threads = set()

    def Log(self, level, category, line, file, function, message):
        with self.lock:
            self.records.append((level, category, line, file, function, message))
            self.threads.add(threading.get_ident())


class RaisingSink(ky.KyLogSink):
    def __init__(self):
        super().__init__()
        self.calls = 0

    def Log(self, *args):
        self.calls += 1
        raise ValueError("bad")


def test_sink_receives_records_from_several_native_threads():
    sink = CountingSink()
    assert testing.LogFromThreads(sink, 6, 50) == 300
    assert len(sink.records) == 300
    assert len(sink.threads) >= 2
    assert threading.get_ident() not in sink.threads
    levels = {r[0] for r in sink.records}
    assert levels == {ky.KyLogLevelWarning}
    assert sorted({r[2] for r in sink.records}) == list(range(6))
    assert sink.records[0][1] == "worker" and sink.records[0][3:] == ("worker.cpp", "Run", "record")


def test_raising_override_prints_its_line_and_the_process_goes_on(capfd):
    sink = RaisingSink()
    assert testing.LogFromThreads(sink, 3, 2) == 6
    out = capfd.readouterr().out
    assert out.splitlines() == ["In method 'Log': ValueError: bad"] * 6
    assert sink.calls == 6
    # still alive and usable
    good = CountingSink()
    assert testing.LogFromThreads(good, 2, 1) == 2


def test_raising_override_on_the_calling_thread_raises_there(capfd):
    sink = RaisingSink()
    with pytest.raises(RuntimeError) as raised:
        testing.LogHere(sink, "m")
    assert str(raised.value) == "SWIG director method error. In method 'Log': ValueError: bad"
    assert capfd.readouterr().out == "In method 'Log': ValueError: bad\n"
    assert sink.calls == 1


def test_override_is_looked_up_once():
    sink = CountingSink()
    testing.LogHere(sink, "first")
    sink.Log = lambda *args: None  # rebinding after the first call is not seen
    testing.LogHere(sink, "second")
    assert [r[5] for r in sink.records] == ["first", "second"]


def test_a_director_called_once_dies_with_its_last_reference():
    # The cached method holds its object weakly: no cycle through the native director.
    sink = CountingSink()
    testing.LogHere(sink, "first")
    gone = weakref.ref(sink)
    del sink
    gc.collect()
    assert gone() is None


def test_base_method_is_pure_virtual():
    sink = CountingSink()
    with pytest.raises(RuntimeError) as raised:
        native.KyLogSink_Log(sink, ky.KyLogLevelInfo, "c", 1, "f", "fn", "m")
    assert str(raised.value) == "SWIG director pure virtual method called KyLogSink::Log"


def test_base_method_on_another_object_forwards_to_its_override(capfd):
    # the instance object alone is not the director's Python self: the call is virtual
    sink = CountingSink()
    assert native.KyLogSink_Log(sink.this, ky.KyLogLevelInfo, "c", 1, "f", "fn", "m") is None
    assert sink.records == [(ky.KyLogLevelInfo, "c", 1, "f", "fn", "m")]
    raising = RaisingSink()
    with pytest.raises(RuntimeError) as raised:
        native.KyLogSink_Log(raising.this, ky.KyLogLevelInfo, "c", 1, "f", "fn", "m")
    assert str(raised.value) == "SWIG director method error. In method 'Log': ValueError: bad"
    assert capfd.readouterr().out == "In method 'Log': ValueError: bad\n"


def test_missing_override_leaves_the_attribute_error():
    target = types.SimpleNamespace()  # kept alive: the director does not own it
    director = native.new_KyLogSink(target)
    with pytest.raises(AttributeError) as raised:
        testing.LogHere(director, "m")
    assert str(raised.value) == "'types.SimpleNamespace' object has no attribute 'Log'"
    native.delete_KyLogSink(director)


LOG_ERRORS = [
    ("level-type", ("x", "c", 1, "f", "fn", "m"), TypeError, "in method 'KyLogSink_Log', argument 2 of type 'KyLogLevelEnum'"),
    ("line-negative", (1, "c", -1, "f", "fn", "m"), OverflowError, "in method 'KyLogSink_Log', argument 4 of type 'uint32_t'"),
    ("count", (1,), TypeError, "KyLogSink_Log expected 7 arguments, got 2"),
]


@pytest.mark.parametrize("args,error,text", [c[1:] for c in LOG_ERRORS], ids=[c[0] for c in LOG_ERRORS])
def test_sink_log_argument_errors(args, error, text):
    with pytest.raises(error) as raised:
        native.KyLogSink_Log(CountingSink(), *args)
    assert str(raised.value) == text


def test_disown_keeps_the_python_object_alive():
    sink = CountingSink()
    before = sys.getrefcount(sink)
    native.disown_KyLogSink(sink)
    assert sys.getrefcount(sink) == before + 1
    native.disown_KyLogSink(sink)  # only once
    assert sys.getrefcount(sink) == before + 1


def test_logger_priority_and_calls():
    logger = ky.KyLogger("python")
    assert logger.GetLogPriority() == ky.KyLogLevelInfo
    logger.SetLogPriority(True)
    assert logger.GetLogPriority() == 1
    logger.SetLogPriority(ky.KyLogLevelDebug)
    assert logger.GetLogPriority() == ky.KyLogLevelDebug
    for call in (logger.LogInfo, logger.LogError, logger.LogWarning, logger.LogCritical, logger.LogDebug):
        assert call("file.py", 1, "fn", "message") is None
    assert logger.LogInfo(None, 0, None, None) is None


class Temporary(ky.KyLogSink):
    def Log(self, *args):
        pass


def test_director_whose_python_object_died_raises_instead_of_crashing():
    # the director holds its Python object without a reference: a temporary dies at once
    director = native.new_KyLogSink(Temporary())
    with pytest.raises(RuntimeError) as raised:
        native.KyLogSink_Log(director, ky.KyLogLevelInfo, "c", 1, "f", "fn", "m")
    assert str(raised.value) == "'self' uninitialized, maybe you forgot to call KyLogSink.__init__."
    with pytest.raises(RuntimeError):
        testing.LogHere(director, "m")  # also through the SDK
    native.delete_KyLogSink(director)
    # an instance object that outlives its proxy
    orphan = Temporary().this
    with pytest.raises(RuntimeError) as raised:
        native.KyLogSink_Log(orphan, ky.KyLogLevelInfo, "c", 1, "f", "fn", "m")
    assert str(raised.value) == "'self' uninitialized, maybe you forgot to call KyLogSink.__init__."


def test_director_whose_python_object_lives_still_forwards_after_the_guard():
    sink = CountingSink()
    director = native.new_KyLogSink(sink)
    native.KyLogSink_Log(director, ky.KyLogLevelInfo, "c", 1, "f", "fn", "m")
    assert len(sink.records) == 1
    native.delete_KyLogSink(director)
    del sink  # the director went first: its watch is gone with it
