// KyGenParameterArray: the GenICam features of a device, of its communication layer or of a
// stream. Lookups by position or name hand out borrowed features as their most derived typed
// class (frame/ky_gen_downcast.i) and None where there is none; by-name reads and writes give the
// SDK's KyResult, never an exception; ranges come back as the tuple (KyResult, min, max). Every
// SDK call runs with the interpreter lock released.

%{
#include "ky/genicam/KyGenParameterArray.h"
%}

%include "ky/genicam/KyGenICamExport.h"

// Loading and the single-chunk attach belong to the SDK's own device clients.
%ignore KyGenParameterArray::Load;
%ignore KyGenParameterArray::AttachDataChunk;
%ignore KyGenParameterArray::GetCacheStatistics;
%rename(__getitem__) KyGenParameterArray::operator[];
// The two forms of GetEnumValue under names of their own: Python cannot tell them apart.
%rename(GetEnumValueString) KyGenParameterArray::GetEnumValue(const KyString &, KyString &);
%rename(GetEnumValueInt) KyGenParameterArray::GetEnumValue(const KyString &, int64_t &);

// Read values: [KyResult, value or None]; a boolean is always a bool.
%apply int64_t &KY_OUT_IF_OK { int64_t &aValue };
%apply double &KY_OUT_IF_OK { double &aValue };
%apply bool &KY_OUT_FLAG { bool &aValue };
%apply KyString &KY_OUT_TEXT { KyString &aValue };

// Written texts: [KyResult, the text given, as str] when the write succeeded, else [KyResult, None].
%typemap(in) const KyString &aValue = const KyString &;
%typemap(typecheck) const KyString &aValue = const KyString &;
%typemap(argout, fragment="KyPy_Text") const KyString &aValue {
  /* written text echoed when the result is OK */
  $result = SWIG_Python_AppendOutput($result, result.IsOK() ? KyPy_FromWide($1->GetUnicode()) : SWIG_Py_Void());
}

// Ranges: the tuple (KyResult, min, max), or (KyResult, None, None) when the result is not OK.
%define KY_RANGE_TUPLE(T, F)
%typemap(in, numinputs=0, noblock=1) (T &aMin, T &aMax) (T rangeMin = 0, T rangeMax = 0) {
  $1 = &rangeMin;
  $2 = &rangeMax;
}
%typemap(argout, fragment=SWIG_From_frag(F)) (T &aMin, T &aMax) {
  /* range tuple */
  Py_XDECREF($result);
  $result = KyPy_ResultTuple(result, {result.IsOK() ? SWIG_From(F)(static_cast<F>(rangeMin$argnum)) : SWIG_Py_Void(),
                                      result.IsOK() ? SWIG_From(F)(static_cast<F>(rangeMax$argnum)) : SWIG_Py_Void()});
}
%enddef
KY_RANGE_TUPLE(int64_t, long long)
KY_RANGE_TUPLE(double, double)

// Chunk payloads: a one-dimensional uint8 array-like (converted where needed). The SDK copies the
// chunks it finds, so neither the caller's array nor a converted temporary has to outlive the call.
%apply (const void *KY_BYTES_IN, uint32_t KY_BYTES_IN_SIZE) { (uint8_t *aBuffer, uint32_t aLength) };

// Item access past the end gives None, not IndexError, so Python's fallback iteration over
// __getitem__ would never end: the proxy iterates over the count instead.
%extend KyGenParameterArray {
%pythoncode %{
    def __iter__(self):
        for index in range(self.GetCount()):
            yield self.Get(index)
%}
}

%include "ky/genicam/KyGenParameterArray.h"

%clear int64_t &aValue;
%clear double &aValue;
%clear bool &aValue;
%clear KyString &aValue;
%clear const KyString &aValue;
%clear (int64_t &aMin, int64_t &aMax);
%clear (double &aMin, double &aMax);
%clear (uint8_t *aBuffer, uint32_t aLength);
