"""The fault table of Python streaming channel sources: each case runs in a child interpreter
(source_fault_child.py) inside this namespace, with the soft device's log on standard error. A
wrong answer is the director's type mismatch (or the override's own exception), which the device
logs and takes as a failure of that one call; the child exits 0 once it has seen the device go on
streaming pixel-exact frames, or stop cleanly where nothing is left to stream."""
import os
import subprocess
import sys

import pytest

CHILD = os.path.join(os.path.dirname(os.path.abspath(__file__)), "source_fault_child.py")
MISMATCH = "SWIG director type mismatch "

# case, texts the child's output holds (standard output and the log), its outcome line
CASES = [
    ("pixel-none", ["GetSupportedPixelType: threw: " + MISMATCH + "Python method IKyStreamingChannelSource."
                    "GetSupportedPixelTypefailed to return a tuple.",
                    "Start: [PixelFormat] an enumeration needs entries"], "start refused"),
    ("pixel-short", ["GetSupportedPixelType: threw: GetSupportedPixelType failed to return a 2-tuple"],
     "start refused"),
    ("pixel-endless", [], "streams"),
    ("alloc-int", ["AllocBuffer: threw: " + MISMATCH + "in output value of type 'KyBuffer *'"],
     "stopped cleanly without buffers"),
    ("queue-none", ["QueueBuffer: threw: " + MISMATCH + "in method QueueBuffer with output value of type 'KyResult'"],
     "streams"),
    ("prequeue-int", ["PreQueueBufferProc: threw: " + MISMATCH + "in output value of type 'bool'"], "streams"),
    ("retrieve-none", ["RetrieveBuffer: threw: " + MISMATCH + "Python method KyStreamingChannelSourceDefault."
                       "RetrieveBufferfailed to return a tuple."], "streams"),
    ("retrieve-list", ["RetrieveBuffer: threw: " + MISMATCH + "Python method KyStreamingChannelSourceDefault."
                       "RetrieveBufferfailed to return a tuple."], "streams"),
    ("retrieve-empty", ["RetrieveBuffer: threw: " + MISMATCH + "in method RetrieveBuffer with output value of "
                        "type 'KyResult'"], "streams"),
    ("retrieve-raises", ["In method 'RetrieveBuffer': ValueError: a fault of the test",
                         "RetrieveBuffer: threw: SWIG director method error. In method 'RetrieveBuffer': "
                         "ValueError: a fault of the test"], "streams"),
    ("start-hook-raises", ["In method 'OnStreamingStart': RuntimeError: a fault of the test"], "streams"),
    ("set-none", ["Width write: refused",
                  "Width: threw: " + MISMATCH + "in method SetWidth with output value of type 'KyResult'"], "streams"),
    ("chunk-short", ["raised: IndexError tuple index out of range"], "streams"),
    ("retrieve-null-out", ["raised: TypeError in method 'IKyStreamingChannelSource_RetrieveBuffer', "
                           "argument 2 of type 'KyBuffer **'"], "streams"),
]


@pytest.mark.parametrize("case,texts,outcome", CASES, ids=[c[0] for c in CASES])
def test_fault_in_a_child_interpreter(case, texts, outcome):
    env = dict(os.environ, KY_LOG="softdevice=warning")
    child = subprocess.run([sys.executable, CHILD, case], capture_output=True, text=True, timeout=120, env=env)
    output = child.stdout + child.stderr
    assert child.returncode == 0, output
    for text in texts:
        assert text in output, output
    assert "outcome: " + outcome in child.stdout.splitlines(), output
