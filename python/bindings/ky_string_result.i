// KyResult and KyString: the result and text types that every binding returns or takes. KyResult
// comes first, as in the method table.

%{
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"
%}

%fragment("KyPy_Comparisons", "header", fragment=SWIG_AsVal_frag(unsigned int), fragment="KyPy_Text") %{
// Runs an SDK call with the interpreter lock released.
template <typename F>
static auto KyPy_Unlocked(F call) -> decltype(call())
{
    SWIG_PYTHON_THREAD_BEGIN_ALLOW;
    auto value = call();
    SWIG_PYTHON_THREAD_END_ALLOW;
    return value;
}

// bool as a new reference, or NotImplemented when the comparison does not apply.
SWIGINTERN PyObject *KyPy_ComparisonResult(int outcome)
{
    if (outcome < 0) {
        PyErr_Clear();
        Py_RETURN_NOTIMPLEMENTED;
    }
    return PyBool_FromLong(outcome);
}

// 1 when equal, 0 when not, -1 when other is neither a wrapped KyResult nor a code.
SWIGINTERN int KyPy_ResultEquals(KyResult *self, PyObject *other)
{
    void *ptr = 0;
    if (SWIG_IsOK(SWIG_ConvertPtr(other, &ptr, SWIG_TypeQuery("KyResult *"), SWIG_POINTER_NO_NULL)) && ptr) {
        const KyResult &that = *static_cast<KyResult *>(ptr);
        return KyPy_Unlocked([&] { return *self == that; });
    }
    unsigned int code = 0;
    if (SWIG_IsOK(SWIG_AsVal_unsigned_SS_int(other, &code)))
        return KyPy_Unlocked([&] { return *self == static_cast<uint32_t>(code); });
    return -1;
}

// Compares with a str or wchar_t pointer object (wide text), a char pointer object (narrow text)
// or a wrapped KyString; -1 for anything else, None included.
SWIGINTERN int KyPy_StringEquals(KyString *self, PyObject *other)
{
    void *ptr = 0;
    if (PyUnicode_Check(other)) {
        wchar_t *wide = KyPy_WideText(other);
        if (!wide)
            return -1;
        int equal = KyPy_Unlocked([&] { return *self == static_cast<const wchar_t *>(wide); });
        PyMem_Free(wide);
        return equal;
    }
    if (other == Py_None)
        return -1;
    if (SWIG_IsOK(SWIG_ConvertPtr(other, &ptr, SWIG_TypeQuery("wchar_t *"), 0)) && ptr)
        return KyPy_Unlocked([&] { return *self == static_cast<const wchar_t *>(ptr); });
    if (SWIG_IsOK(SWIG_ConvertPtr(other, &ptr, SWIG_TypeQuery("char *"), 0)) && ptr)
        return KyPy_Unlocked([&] { return *self == static_cast<const char *>(ptr); });
    if (SWIG_IsOK(SWIG_ConvertPtr(other, &ptr, SWIG_TypeQuery("KyString *"), 0)) && ptr) {
        const KyString &that = *static_cast<KyString *>(ptr);
        return KyPy_Unlocked([&] { return *self == that; });
    }
    return -1;
}

// A count beyond the end of the text would read past it: the text is taken up to its end at most.
SWIGINTERN unsigned int KyPy_AvailableCount(const char *text, unsigned int count)
{
    if (!text)
        return 0;
    const void *end = std::memchr(text, '\0', count);
    return end ? static_cast<unsigned int>(static_cast<const char *>(end) - text) : count;
}
%}
%fragment("KyPy_Comparisons");

// Comparisons never raise: wrong counts, None as the instance and unusable values all give
// NotImplemented, so Python falls back to its default comparison.
%define KY_COMPARISONS(Class, EQUALS)
%ignore Class::operator==;
%ignore Class::operator!=;
%nothread Class::__eq__;
%nothread Class::__ne__;
%feature("python:maybecall") Class::__eq__;
%feature("python:maybecall") Class::__ne__;
%extend Class {
  PyObject *__eq__(PyObject *other) {
    int equal = EQUALS($self, other);
    return KyPy_ComparisonResult(equal);
  }
  PyObject *__ne__(PyObject *other) {
    int equal = EQUALS($self, other);
    return KyPy_ComparisonResult(equal < 0 ? equal : !equal);
  }
}
%enddef

// The export mark of the SDK classes means nothing to SWIG (it is empty when SWIG reads it).
%include "ky/base/KyBaseExport.h"

// ----- KyResult
// The description is taken only as a wrapped KyString (a str is refused), unlike other texts.
%typemap(in) const KyString &description = const SWIGTYPE &;
%typemap(typecheck) const KyString &description = const SWIGTYPE &;
%typemap(doctype) const KyString &description ":py:class:`KyString`";
%ignore KyResult::operator=;
%ignore KyResult::CodeName;
KY_COMPARISONS(KyResult, KyPy_ResultEquals)
%include "ky/base/KyResult.h"
%clear const KyString &description;

// ----- KyString
// Python texts arrive as str; the std::string and move forms, assignment, ordering and the
// std::string accessor have no use there.
%ignore KyString::KyString(const std::string &);
%ignore KyString::KyString(KyString &&);
%ignore KyString::operator=;
%ignore KyString::operator+;
%ignore KyString::operator<;
%ignore KyString::str;
%ignore KyString::IsEmpty;
// Replaced below: += returns the joined text.
%ignore KyString::operator+=;
%typemap(check) unsigned int count "$1 = KyPy_AvailableCount(arg1, $1);"
KY_COMPARISONS(KyString, KyPy_StringEquals)
%extend KyString {
  // The joined text as a str; the proxy keeps owning (and later frees) the native string.
  const wchar_t *__iadd__(const KyString &value) {
    *$self += value;
    return $self->GetUnicode();
  }
  const wchar_t *__str__() {
    return $self->GetUnicode();
  }
}
%include "ky/base/KyString.h"
%clear unsigned int count;
