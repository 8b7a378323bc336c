"""The module's two tables as the built library holds them: the type table (descriptor names in
lookup order, each with the types it converts from) and the method table (rows in order, with
their calling flags). Both are read from the native structures, not from the Python view."""
import ctypes
import json
import os
import re
import subprocess
import sys

import _tavro_python as native
import pytest

DATA = os.path.join(os.path.dirname(__file__), "data")
with open(os.path.join(DATA, "module_tables.json"), encoding="utf-8") as f:
    TABLES = json.load(f)


class PyMethodDef(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("meth", ctypes.c_void_p), ("flags", ctypes.c_int),
                ("doc", ctypes.c_char_p)]


class PyModuleDef(ctypes.Structure):
    # PyModuleDef_Base (object head, m_init, m_index, m_copy), then the definition's own fields
    _fields_ = [("ob_refcnt", ctypes.c_ssize_t), ("ob_type", ctypes.c_void_p), ("m_init", ctypes.c_void_p),
                ("m_index", ctypes.c_ssize_t), ("m_copy", ctypes.c_void_p), ("m_name", ctypes.c_char_p),
                ("m_doc", ctypes.c_char_p), ("m_size", ctypes.c_ssize_t),
                ("m_methods", ctypes.POINTER(PyMethodDef))]


def method_table():
    """The rows of the module's definition, up to the closing null row: (name, flags, doc)."""
    get_def = ctypes.pythonapi.PyModule_GetDef
    get_def.restype = ctypes.POINTER(PyModuleDef)
    get_def.argtypes = [ctypes.py_object]
    definition = get_def(native).contents
    assert definition.m_name == b"_tavro_python"
    rows = []
    for row in definition.m_methods:
        if row.name is None:
            return rows
        rows.append((row.name.decode(), row.flags, None if row.doc is None else row.doc.decode()))
        assert len(rows) < 5000, "no closing row"


# Run in a fresh interpreter that loads this module alone, so that the registry's ring holds its
# table only: the runtime's structures, walked with ctypes.
TYPE_TABLE_READER = r"""
import ctypes, json
import _tavro_python

class TypeInfo(ctypes.Structure):
    pass

class CastInfo(ctypes.Structure):
    pass

CastInfo._fields_ = [("type", ctypes.POINTER(TypeInfo)), ("converter", ctypes.c_void_p),
                     ("next", ctypes.POINTER(CastInfo)), ("prev", ctypes.POINTER(CastInfo))]
TypeInfo._fields_ = [("name", ctypes.c_char_p), ("str", ctypes.c_char_p), ("dcast", ctypes.c_void_p),
                     ("cast", ctypes.POINTER(CastInfo)), ("clientdata", ctypes.c_void_p), ("owndata", ctypes.c_int)]

class ModuleInfo(ctypes.Structure):
    _fields_ = [("types", ctypes.POINTER(ctypes.POINTER(TypeInfo))), ("size", ctypes.c_size_t),
                ("next", ctypes.c_void_p), ("type_initial", ctypes.c_void_p), ("cast_initial", ctypes.c_void_p),
                ("clientdata", ctypes.c_void_p)]

capsule_import = ctypes.pythonapi.PyCapsule_Import
capsule_import.restype = ctypes.POINTER(ModuleInfo)
capsule_import.argtypes = [ctypes.c_char_p, ctypes.c_int]
module = capsule_import(b"swig_runtime_data4.type_pointer_capsule", 0).contents
assert ctypes.addressof(module) == module.next, "one table in the ring"
table = []
for i in range(module.size):
    info = module.types[i].contents
    casts = []
    cast = info.cast
    while cast:
        casts.append(cast.contents.type.contents.name.decode())
        cast = cast.contents.next
    table.append({"name": info.name.decode(), "str": None if info.str is None else info.str.decode(),
                  "casts": casts})
print(json.dumps(table))
"""


def type_table():
    out = subprocess.run([sys.executable, "-c", TYPE_TABLE_READER], check=True, capture_output=True, text=True,
                         timeout=60)
    return json.loads(out.stdout)


def test_type_table_holds_exactly_the_descriptors_in_lookup_order():
    table = type_table()
    names = [row["name"] for row in table]
    assert names == TABLES["types"]
    # lookups by name are binary searches over the bytes of the names
    assert names == sorted(names, key=lambda n: n.encode())
    for row in table:
        expected = {row["name"], *TABLES["conversions"].get(row["name"], [])}
        assert sorted(row["casts"]) == sorted(expected), row["name"]
        assert len(row["casts"]) == len(expected), row["name"]
    texts = {row["name"]: row["str"] for row in table}
    assert texts["_p_KyPixelType"] == "KyPixelType *|enum KyPixelType *"
    assert texts["_p_std__vectorT_KySystemLib__IPConfig_t"] == \
        "KySystemLib::IPConfigVector *|std::vector< KySystemLib::IPConfig > *"
    assert texts["_p_std__vectorT_std__string_t"] == "KySystemLib::GatewayVector *|std::vector< std::string > *"


# METH_VARARGS, METH_NOARGS, METH_O
VARARGS, NOARGS, ONE = 1, 4, 8
ONE_ARGUMENT_CONSTRUCTORS = {"new_KyLogger", "new_KyLogSink", "new_KyGenStateStack", "new_KyPipeline",
                             "new_KyDeviceAdapter", "new_KyDeviceEventSink", "new_KyPipelineEventSink",
                             "new_IKyRegisterEventSink", "new_IKySoftDeviceGEVEventSink",
                             "new_IKyStreamingChannelSource", "new_IKyUserSetNotify"}
SEVERAL_FORM_CONSTRUCTORS = {"new_KyResult", "new_KyString", "new_KyBuffer", "new_KyBufferConverter",
                             "new_KyStreamingChannelSourceDefault"}


def expected_flags(name):
    if name.startswith("new_"):
        if name in ONE_ARGUMENT_CONSTRUCTORS:
            return ONE
        return VARARGS if name in SEVERAL_FORM_CONSTRUCTORS else NOARGS
    if name.startswith(("delete_", "disown_")) or name.endswith("_swigregister") or name == "KyGetPixelBitCount":
        return ONE
    if name.endswith("_swiginit"):
        return VARARGS
    return None  # a method: METH_O alone or with further arguments


def test_method_table_holds_exactly_the_rows_in_class_order():
    rows = method_table()
    expected = [name for group in TABLES["methods"].values() for name in group]
    assert len(expected) == 1077
    assert [name for name, _, _ in rows] == expected
    kinds = {}
    for name, flags, _ in rows:
        want = expected_flags(name)
        assert flags == want if want is not None else flags in (ONE, VARARGS), name
        kinds[flags] = kinds.get(flags, 0) + 1
    assert kinds == {NOARGS: 22, ONE: 11 + 64 + 8 + 459 + 74 + 1, VARARGS: 5 + 395 + 38}
    # the registration, init and release rows carry no documentation
    assert [name for name, _, doc in rows if doc is not None and
            (name.endswith(("_swigregister", "_swiginit")) or name.startswith("disown_"))] == []
    # the Python view is the same table: every row is a module function of that name
    assert all(callable(getattr(native, name)) for name in expected)


with open(os.path.join(DATA, "docstrings.json"), encoding="utf-8") as f:
    DOCSTRINGS = json.load(f)
DOCS = {name: doc for name, _, doc in method_table()}


def check_section(lines, want):
    """One documented form: lines of the text without the leading empty line."""
    at = 0
    if "first" in want:
        assert lines[0] == want["first"]
        assert lines[1] == ""
        at = 2
    if want.get("summary", "") is not None and "summary" in want:
        assert lines[at] == want["summary"]
    elif "summary" in want or "first" not in want:
        assert lines[at].strip(), "a summary line"
    if "summary" in want:
        assert len(lines) == at + 1 or lines[at + 1] == "", "an empty line after the summary"
    types = [line for line in lines if line.startswith(":type ")]
    if "params" in want:
        expected = []
        for name, typ, direction, _ in want["params"]:
            expected.append((name, typ, direction))
        found = []
        for line in types:
            name, rest = line[len(":type "):].split(": ", 1)
            parts = rest.split(", ")
            direction = next((p for p in parts[1:] if p in ("in", "out")), None)
            found.append((name, parts[0], direction))
        assert [(n, t if t is not None else f[1], d if d is not None else f[2]) for (n, t, d), f in
                zip(expected, found)] == found
        for name, _, _, text in want["params"]:
            if text is False:
                assert not any(line.startswith(":param %s:" % name) for line in lines)
            elif text is not None:
                assert ":param %s: %s" % (name, text) in lines
    if "param_names" in want:
        assert [line[len(":type "):].split(":", 1)[0] for line in types] == want["param_names"]
    for name, typ in want.get("param_types", {}).items():
        assert any(line.startswith(":type %s: %s" % (name, typ)) for line in types)
    for name, text in want.get("param_texts", {}).items():
        assert ":param %s: %s" % (name, text) in lines
    rtypes = [line for line in lines if line.startswith(":rtype:")]
    if want.get("rtype") == "":
        assert rtypes == []
    elif want.get("rtype") is not None:
        assert rtypes == [":rtype: " + want["rtype"]]
    if want.get("return") is not None:
        assert ":return: " + want["return"] in lines
    if "return_lines" in want:
        start = lines.index(want["return_lines"][0])
        assert lines[start:start + len(want["return_lines"])] == want["return_lines"]
    for code in want.get("codes", []):
        assert re.search(r"\b(KY_)?%s\b" % code, "\n".join(lines)), code


@pytest.mark.parametrize("row", list(DOCSTRINGS))
def test_docstring(row):
    want = DOCSTRINGS[row]
    doc = DOCS[row]
    assert doc == native_doc(row)
    if "doc" in want:
        assert doc == want["doc"]
        return
    assert doc is not None and doc.startswith("\n") and doc.endswith("\n")
    if "overloads" in want:
        sections = doc[1:-1].split("\n\n|\n\n")
        assert len(sections) == len(want["overloads"])
        for number, (section, form) in enumerate(zip(sections, want["overloads"]), 1):
            lines = section.split("\n")
            assert lines[0] == "*Overload %d:*" % number
            check_section(lines[1:], form)
        return
    check_section(doc[1:-1].split("\n"), want)


def native_doc(row):
    return getattr(native, row).__doc__
