"""The SDK's log categories, which the module does not bind, are set for a Python program through
the KY_LOG variable: a discovery run in a fresh interpreter shows the categories' lines on
standard error as the variable asks."""
import os
import subprocess
import sys

import pytest

DISCOVERY = ("import _tavro_python as n\n"
             "s = n.new_KySystem()\n"
             "n.KySystem_SetDetectionTimeout(s, 50)\n"
             "assert n.KyResult_IsOK(n.KySystem_Find(s))\n")

CASES = [
    # (case, KY_LOG, a line that must be there, a text that must not)
    ("control-debug", "control=debug", "[control debug] discovery sent: DISCOVERY_CMD", None),
    ("all-debug", "all=debug", "[control debug] discovery sent: DISCOVERY_CMD", None),
    ("control-info", "control=info", None, "[control debug]"),
    ("unknown-category", "nothing=debug", "KY_LOG: cannot read 'nothing=debug'", "[control debug]"),
]


@pytest.mark.parametrize("value,present,absent", [c[1:] for c in CASES], ids=[c[0] for c in CASES])
def test_log_variable_sets_the_sdk_categories(value, present, absent):
    env = dict(os.environ, KY_LOG=value)
    run = subprocess.run([sys.executable, "-c", DISCOVERY], env=env, capture_output=True, text=True, timeout=60)
    assert run.returncode == 0, run.stderr
    if present is not None:
        assert present in run.stderr
    if absent is not None:
        assert absent not in run.stderr
