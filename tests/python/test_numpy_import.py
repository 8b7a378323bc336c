"""Importing the module with a numpy whose C API cannot be loaded fails with ImportError, after
printing numpy's own error."""
import os
import subprocess
import sys
import textwrap

import pytest

STAND_INS = [
    # (files of the stand-in numpy package, text numpy's import prints)
    ({}, "ModuleNotFoundError"),
    ({"core/_multiarray_umath.py": ""}, "AttributeError: _ARRAY_API not found"),
    ({"core/_multiarray_umath.py": "_ARRAY_API = 5\n"}, "RuntimeError: _ARRAY_API is not PyCapsule object"),
]


@pytest.mark.parametrize("files,printed", STAND_INS, ids=["no-multiarray", "no-api", "not-capsule"])
def test_failing_numpy_fails_the_import(tmp_path, files, printed):
    package = tmp_path / "numpy"
    (package / "core").mkdir(parents=True)
    (package / "__init__.py").write_text("")
    (package / "core" / "__init__.py").write_text("")
    for name, text in files.items():
        (package / name).write_text(text)
    script = textwrap.dedent("""
        import sys
        sys.path.insert(0, sys.argv[1])
        try:
            import tavro_python
        except ImportError as e:
            print("IMPORT-ERROR:", e)
        else:
            print("IMPORTED")
    """)
    env = dict(os.environ)
    done = subprocess.run([sys.executable, "-c", script, str(tmp_path)], capture_output=True, text=True,
                          env=env, timeout=60)
    assert done.returncode == 0, done.stderr
    assert done.stdout.strip().splitlines()[-1] == "IMPORT-ERROR: numpy.core.multiarray failed to import"
    assert printed in done.stderr
