// The module's integer constants and enumeration dictionaries, made from the same X-macro tables
// (KyEnumTables.h) that declare the SDK's codes and enums, so the values exist once.
//
// Order of registration: the result codes, the first enumeration (log levels), the pixel-format
// masks, the second enumeration (pixel types), then numpy's C API is imported, then the other
// enumerations in the order of KY_ENUMERATION_LIST. Each enumeration member is a module attribute
// and an entry of a dict named after its enumeration; the dict is made by its first member.

%{
#include "ky/base/KyEnums.h"
%}

%header %{
namespace {

struct KyPyConstant {
    const char *name;
    long value;
};

struct KyPyEnumeration {
    const char *name;
    const KyPyConstant *members;
    size_t count;
};

#define KY_PY_CONSTANT(name, value) {#name, static_cast<long>(value)},
const KyPyConstant kKyPyResultCodes[] = {KY_RESULT_CODE_TABLE(KY_PY_CONSTANT)};
const KyPyConstant kKyPyPixelMasks[] = {KY_PIXEL_MASK_TABLE(KY_PY_CONSTANT)};
#define KY_PY_ENUM_MEMBERS(e) const KyPyConstant kKyPyMembers_##e[] = {KY_ENUM_TABLE_##e(KY_PY_CONSTANT)};
KY_ENUMERATION_LIST(KY_PY_ENUM_MEMBERS)
#undef KY_PY_ENUM_MEMBERS
#undef KY_PY_CONSTANT
#define KY_PY_ENUMERATION(e) {#e, kKyPyMembers_##e, sizeof(kKyPyMembers_##e) / sizeof(kKyPyMembers_##e[0])},
const KyPyEnumeration kKyPyEnumerations[] = {KY_ENUMERATION_LIST(KY_PY_ENUMERATION)};
#undef KY_PY_ENUMERATION
constexpr size_t kKyPyEnumerationCount = sizeof(kKyPyEnumerations) / sizeof(kKyPyEnumerations[0]);

void KyPy_AddConstant(PyObject *moduleDict, const KyPyConstant &constant, const char *enumeration)
{
    PyObject *value = PyLong_FromLong(constant.value);
    PyDict_SetItemString(moduleDict, constant.name, value);
    if (enumeration) {
        PyObject *members = PyDict_GetItemString(moduleDict, enumeration);
        if (!members) {
            members = PyDict_New();
            PyDict_SetItemString(moduleDict, enumeration, members);
            Py_DECREF(members);
        }
        PyDict_SetItemString(members, constant.name, value);
    }
    Py_DECREF(value);
}

void KyPy_AddConstants(PyObject *moduleDict, const KyPyConstant *constants, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        KyPy_AddConstant(moduleDict, constants[i], NULL);
}

void KyPy_AddEnumerations(PyObject *moduleDict, size_t first, size_t last)
{
    for (size_t e = first; e < last && e < kKyPyEnumerationCount; ++e)
        for (size_t i = 0; i < kKyPyEnumerations[e].count; ++i)
            KyPy_AddConstant(moduleDict, kKyPyEnumerations[e].members[i], kKyPyEnumerations[e].name);
}

}  // namespace
%}

%init %{
  KyPy_AddConstants(d, kKyPyResultCodes, sizeof(kKyPyResultCodes) / sizeof(kKyPyResultCodes[0]));
  KyPy_AddEnumerations(d, 0, 1);
  KyPy_AddConstants(d, kKyPyPixelMasks, sizeof(kKyPyPixelMasks) / sizeof(kKyPyPixelMasks[0]));
  KyPy_AddEnumerations(d, 1, 2);
  if (!KyPy_ImportNumpy()) {
    Py_DECREF(m);
    return NULL;
  }
  KyPy_AddEnumerations(d, 2, kKyPyEnumerationCount);
%}

// The enumeration types, declared without members: wrappers take and return them as ints (with
// the enumeration's name in argument errors), and their values come only from the tables above.
%import "ky/base/KyEnumTables.h"
#define KY_PY_DECLARE_ENUMERATION(e) enum e {};
KY_ENUMERATION_LIST(KY_PY_DECLARE_ENUMERATION)
#undef KY_PY_DECLARE_ENUMERATION
// Each enumeration has its row in the type table, so that another module of the same runtime
// finds it there (pointers to enumeration values cross as typed pointer objects).
#define KY_PY_ENUMERATION_DESCRIPTOR(e) %types(e *);
KY_ENUMERATION_LIST(KY_PY_ENUMERATION_DESCRIPTOR)
#undef KY_PY_ENUMERATION_DESCRIPTOR

// The proxy module shows the same ints and dicts (the very objects) as the native module.
%pythoncode %{
globals().update({_name: _value for _name, _value in _tavro_python.__dict__.items() if type(_value) in (int, dict)})
%}
