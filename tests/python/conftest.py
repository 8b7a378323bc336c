"""Shared fixtures of the Python module tests (run by /usr/bin/python3 with PYTHONPATH at the
build tree's python folder and KY_SOURCE_DIR at the source tree)."""
import os
import re
import subprocess

import pytest

SOURCE_DIR = os.environ.get("KY_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
ENUM_TABLES = os.path.join(SOURCE_DIR, "sdk", "include", "ky", "base", "KyEnumTables.h")


def _table_blocks():
    """Each X-macro table of KyEnumTables.h: macro name -> [(member, value)] in order."""
    blocks = {}
    current = None
    with open(ENUM_TABLES, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"#define (KY_\w+)\((X|E)\)", line)
            if m:
                current = blocks.setdefault(m.group(1), [])
                continue
            if current is None:
                continue
            m = re.match(r"\s*X\((\w+), (-?(?:0x[0-9A-Fa-f]+|\d+))\)", line)
            if m:
                current.append((m.group(1), int(m.group(2), 0)))
                continue
            m = re.match(r"\s*E\((\w+)\)", line)
            if m:
                current.append((m.group(1), None))
            elif "/* end */" in line:
                current = None
    return blocks


@pytest.fixture(scope="session")
def tables():
    """(result codes, pixel masks, [(enumeration, members)]) as written in the SDK's tables."""
    blocks = _table_blocks()
    enums = [(name, blocks["KY_ENUM_TABLE_" + name]) for name, _ in blocks["KY_ENUMERATION_LIST"]]
    return blocks["KY_RESULT_CODE_TABLE"], blocks["KY_PIXEL_MASK_TABLE"], enums


@pytest.fixture(scope="session")
def priority_in_effect():
    """What an SDK thread set to a priority runs at: the priority where this process may use the
    real-time FIFO policy at it (the kernel's answer, through chrt in a child), else 0."""

    def in_effect(priority):
        if priority == 0:
            return 0
        allowed = subprocess.run(["chrt", "-f", str(priority), "true"], capture_output=True).returncode == 0
        return priority if allowed else 0

    return in_effect
