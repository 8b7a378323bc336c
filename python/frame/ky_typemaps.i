// Conversions shared by every binding family.
//
// Catalogue (attach with %apply where the pattern is named; the others apply by type):
//   const KyString &            in     wrapped KyString used as is; else a str (wide characters,
//                                      up to the first NUL), a wchar_t or char pointer object
//                                      gives a temporary KyString that lives until the call
//                                      returns. Anything else, None included: TypeError
//                                      "Argument N: failed to create KyString from Python string".
//                                      Probe in overload dispatch: accepts everything, tried last.
//   KyString &KY_OUT_TEXT       out    no Python argument; the wrapper's KyString is appended to
//                                      the result as a str when the returned KyResult is OK,
//                                      else None. The wrapper owns the temporary.
//   KyString & (plain)          in/out the caller passes a wrapped KyString that the SDK fills in
//                                      place; None: ValueError "invalid null reference ...".
//   KyString (by value)         out    new owned KyString proxy.
//   T &OUTPUT (SWIG's)          out    no Python argument; the value is appended to the result
//                                      (a void result becomes the value, then a list).
//   T &KY_OUT_IF_OK             out    the same, but None unless the returned KyResult is OK
//                                      (bool, int, unsigned int, unsigned short, long long,
//                                      unsigned long long, double, int64_t).
//   KyResult (by value)         out    new owned KyResult proxy; failures never raise.
//   KyPy_Downcast<Base, D1, ...>       pointer results handed out as the most derived of the
//                                      listed classes (borrowed); null gives None.
//   KyPy_ResultTuple(result, {values})      a real tuple headed by an owned KyResult.
//   const KyString &KY_TEXT     in     as const KyString &, with a strict overload probe.
//   KyString &KY_OUT_TEXT_TUPLE out    as KY_OUT_TEXT, result (KyResult, str or None) as a tuple.
//   T &KY_OUT_IF_OK_TUPLE       out    as KY_OUT_IF_OK, result (KyResult, value or None) as a tuple.
//   bool &KY_OUT_FLAG           out    no Python argument; starts false, and is appended as True or
//                                      False whatever the returned KyResult.
//   E &KY_OUT_ENUM              out    an enumeration out-value (KY_OUT_ENUM_TYPEMAP(E) first): an
//                                      int read as unsigned 32-bit when the result is OK, else None.
//   T *KY_NOT_NULL              in     an object argument that the SDK needs: None raises the
//                                      argument's "in method" TypeError.
//   Arrays: see ky_arrays.i.

%{
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"
%}

%fragment("KyPy_Text", "header", fragment="SWIG_FromWCharPtr") %{
// The wide characters of a str, zero-terminated, to be released with PyMem_Free. A str with an
// embedded NUL character gives its text up to that character (the SDK's texts end there).
// Null, with the Python error pending, when the str cannot be converted.
SWIGINTERN wchar_t *KyPy_WideText(PyObject *str)
{
    Py_ssize_t size = 0;
    return PyUnicode_AsWideCharString(str, &size);
}

// Text of a str, a wchar_t pointer object or a char pointer object as a KyString.
// False, with no Python error pending, for anything else.
SWIGINTERN bool KyPy_TextToKyString(PyObject *obj, KyString &out)
{
    if (PyUnicode_Check(obj)) {
        wchar_t *wide = KyPy_WideText(obj);
        if (!wide) {
            PyErr_Clear();
            return false;
        }
        out = KyString(wide);
        PyMem_Free(wide);
        return true;
    }
    void *ptr = 0;
    if (obj != Py_None && SWIG_IsOK(SWIG_ConvertPtr(obj, &ptr, SWIG_TypeQuery("wchar_t *"), 0)) && ptr) {
        out = KyString(static_cast<const wchar_t *>(ptr));
        return true;
    }
    if (obj != Py_None && SWIG_IsOK(SWIG_ConvertPtr(obj, &ptr, SWIG_TypeQuery("char *"), 0)) && ptr) {
        out = KyString(static_cast<const char *>(ptr));
        return true;
    }
    return false;
}

// Whether the object is something KyPy_TextToKyString or a wrapped KyString takes; converts nothing.
SWIGINTERN int KyPy_IsText(PyObject *obj)
{
    void *ptr = 0;
    if (PyUnicode_Check(obj))
        return 1;
    if (obj == Py_None)
        return 0;
    return SWIG_IsOK(SWIG_ConvertPtr(obj, &ptr, SWIG_TypeQuery("KyString *"), SWIG_POINTER_NO_NULL)) ||
           SWIG_IsOK(SWIG_ConvertPtr(obj, &ptr, SWIG_TypeQuery("wchar_t *"), 0)) ||
           SWIG_IsOK(SWIG_ConvertPtr(obj, &ptr, SWIG_TypeQuery("char *"), 0));
}

// A wide text as a str; None for a null pointer.
SWIGINTERN PyObject *KyPy_FromWide(const wchar_t *text)
{
    return SWIG_FromWCharPtr(text);
}
%}
%fragment("KyPy_Text");

// KyString const & in (by type, so every family gets it).
%typemap(in, fragment="KyPy_Text") const KyString & (KyString temp, void *argp = 0, int res = 0) {
  /* KyString in: wrapped as is, else a temporary that lives until the call returns */
  res = SWIG_ConvertPtr($input, &argp, $descriptor(KyString *), 0);
  if (SWIG_IsOK(res) && argp) {
    $1 = reinterpret_cast<KyString *>(argp);
  } else if (KyPy_TextToKyString($input, temp)) {
    $1 = &temp;
  } else {
    SWIG_exception_fail(SWIG_TypeError, "Argument $argnum: failed to create KyString from Python string");
  }
}
// Tried after every other overload of the same count, so a bad text reports the KyString error.
%typemap(typecheck, precedence=10000) const KyString & "$1 = 1;"

// KyString &KY_OUT_TEXT: an out-value text, reported only when the call succeeded.
%typemap(in, numinputs=0) KyString &KY_OUT_TEXT (KyString temp) "$1 = &temp;"
%typemap(argout, fragment="KyPy_Text") KyString &KY_OUT_TEXT {
  /* KY_OUT_TEXT: str when the result is OK, else None */
  $result = SWIG_Python_AppendOutput($result, result.IsOK() ? KyPy_FromWide(temp$argnum.GetUnicode()) : SWIG_Py_Void());
}

// KyString &KY_OUT_TEXT_TUPLE: the same, but the result is the tuple (KyResult, str or None).
%typemap(in, numinputs=0) KyString &KY_OUT_TEXT_TUPLE (KyString temp) "$1 = &temp;"
%typemap(argout, fragment="KyPy_Text") KyString &KY_OUT_TEXT_TUPLE {
  /* KY_OUT_TEXT_TUPLE: (result, str) when the result is OK, else (result, None) */
  Py_XDECREF($result);
  $result = KyPy_ResultTuple(result, {result.IsOK() ? KyPy_FromWide(temp$argnum.GetUnicode()) : SWIG_Py_Void()});
}

// const KyString &KY_TEXT: taken as the KyString in-conversion above, but overload dispatch
// probes it strictly (a KyString, a str, a wchar_t or char pointer object), so that a value of
// another kind fails the dispatch with the overload text.
%typemap(in) const KyString &KY_TEXT = const KyString &;
%typemap(typecheck, precedence=10000, fragment="KyPy_Text") const KyString &KY_TEXT "$1 = KyPy_IsText($input);"

// Docstrings name a text, whichever way it crosses, by its Python type.
%typemap(doctype) KyString, const KyString &, KyString &, const KyString &KY_TEXT, KyString &KY_OUT_TEXT,
                  KyString &KY_OUT_TEXT_TUPLE "str"

%include <typemaps.i>

// T is converted as F (a type SWIG has a From conversion for: int64_t as long long).
%define KY_OUT_IF_OK_TYPEMAP_AS(T, F)
%typemap(in, numinputs=0, noblock=1) T &KY_OUT_IF_OK (T temp = 0) { $1 = &temp; }
%typemap(argout, fragment=SWIG_From_frag(F)) T &KY_OUT_IF_OK {
  /* KY_OUT_IF_OK: the value when the result is OK, else None */
  $result = SWIG_Python_AppendOutput($result, result.IsOK() ? SWIG_From(F)(static_cast<F>(temp$argnum)) : SWIG_Py_Void());
}
%enddef
%define KY_OUT_IF_OK_TYPEMAP(T)
KY_OUT_IF_OK_TYPEMAP_AS(T, T)
%enddef
KY_OUT_IF_OK_TYPEMAP(bool)
KY_OUT_IF_OK_TYPEMAP(int)
KY_OUT_IF_OK_TYPEMAP(unsigned int)
KY_OUT_IF_OK_TYPEMAP(unsigned short)
KY_OUT_IF_OK_TYPEMAP(long long)
KY_OUT_IF_OK_TYPEMAP(unsigned long long)
KY_OUT_IF_OK_TYPEMAP(double)
KY_OUT_IF_OK_TYPEMAP_AS(int64_t, long long)

// T &KY_OUT_IF_OK_TUPLE: the tuple (KyResult, value) when the result is OK, else (KyResult, None).
%define KY_OUT_IF_OK_TUPLE_TYPEMAP(T)
%typemap(in, numinputs=0, noblock=1) T &KY_OUT_IF_OK_TUPLE (T temp = 0) { $1 = &temp; }
%typemap(argout, fragment=SWIG_From_frag(T)) T &KY_OUT_IF_OK_TUPLE {
  Py_XDECREF($result);
  $result = KyPy_ResultTuple(result, {result.IsOK() ? SWIG_From(T)(temp$argnum) : SWIG_Py_Void()});
}
%enddef
KY_OUT_IF_OK_TUPLE_TYPEMAP(unsigned int)

// T *KY_NOT_NULL: None is refused like an object of the wrong type.
%typemap(check, noblock=1) SWIGTYPE *KY_NOT_NULL {
  if (!$1) {
    %argument_fail(SWIG_TypeError, "$type", $symname, $argnum);
  }
}

// bool &KY_OUT_FLAG: always a bool, false unless the SDK set it.
%typemap(in, numinputs=0, noblock=1) bool &KY_OUT_FLAG (bool temp = false) { $1 = &temp; }
%typemap(argout) bool &KY_OUT_FLAG {
  /* KY_OUT_FLAG: True or False whatever the result */
  $result = SWIG_Python_AppendOutput($result, PyBool_FromLong(temp$argnum ? 1 : 0));
}

// E &KY_OUT_ENUM: the enumeration's value as a non-negative int when the result is OK, else None.
%define KY_OUT_ENUM_TYPEMAP(E)
%typemap(in, numinputs=0, noblock=1) E &KY_OUT_ENUM (E temp = E()) { $1 = &temp; }
%typemap(argout) E &KY_OUT_ENUM {
  /* KY_OUT_ENUM: int when the result is OK, else None */
  $result = SWIG_Python_AppendOutput($result, result.IsOK() ?
      PyLong_FromUnsignedLong(static_cast<uint32_t>(temp$argnum)) : SWIG_Py_Void());
}
%enddef

%header %{
#include <initializer_list>

// (KyResult, value, ...) as a tuple; takes over the references of the values.
SWIGINTERN PyObject *KyPy_ResultTuple(const KyResult &result, std::initializer_list<PyObject *> values)
{
    PyObject *tuple = PyTuple_New(static_cast<Py_ssize_t>(values.size() + 1));
    if (!tuple) {
        for (PyObject *v : values)
            Py_XDECREF(v);
        return NULL;
    }
    PyTuple_SET_ITEM(tuple, 0, SWIG_NewPointerObj(new KyResult(result), SWIG_TypeQuery("KyResult *"), SWIG_POINTER_OWN));
    Py_ssize_t i = 1;
    for (PyObject *v : values)
        PyTuple_SET_ITEM(tuple, i++, v ? v : SWIG_Py_Void());
    return tuple;
}

// A borrowed proxy of the most derived class among Derived... (listed most derived first, their
// descriptors in the same order) that the object is, else of Base; None for null. Use in an out
// typemap of the family that hands out Base pointers:
//   swig_type_info *types[] = {$descriptor(D1 *), $descriptor(D2 *)};
//   $result = KyPy_Downcast<Base, D1, D2>::Make($1, $descriptor(Base *), types);
template <typename Base, typename... Derived>
struct KyPy_Downcast;
template <typename Base>
struct KyPy_Downcast<Base> {
    static PyObject *Make(Base *object, swig_type_info *baseType, swig_type_info *const *)
    {
        return SWIG_NewPointerObj(SWIG_as_voidptr(object), baseType, 0);
    }
};
template <typename Base, typename Derived, typename... Rest>
struct KyPy_Downcast<Base, Derived, Rest...> {
    static PyObject *Make(Base *object, swig_type_info *baseType, swig_type_info *const *types)
    {
        if (Derived *d = dynamic_cast<Derived *>(object))
            return SWIG_NewPointerObj(SWIG_as_voidptr(d), types[0], 0);
        return KyPy_Downcast<Base, Rest...>::Make(object, baseType, types + 1);
    }
};
%}
