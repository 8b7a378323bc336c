// KyBufferConverter and KyBufferConverterRGBFilter: pixel conversion of buffers and images (Bayer
// interpolation, an RGB filter, a vertical flip) and the per-colour gain and offset filter with
// its white balance. Both constructors make owned objects. Convert gives the tuple (KyResult,
// destination buffer borrowed, or None when the conversion failed). SetRGBFilter takes the filter
// by reference and keeps no reference to the Python object (the converter copies it).

%{
#include "ky/buffer/KyBufferConverter.h"
#include "ky/buffer/KyBufferConverterRGBFilter.h"
%}

// ----- KyBufferConverter
KY_DELETES_ONLY_OWNED(KyBufferConverter)
%ignore KyBufferConverter::GetThreadCount;

// Convert: (result, destination) with the destination as a new borrowed proxy when the call
// succeeded, else None.
%typemap(out, noblock=1) KyResult KyBufferConverter::Convert {
  /* converter result: (KyResult, destination or None) */
  $result = KyPy_ResultTuple($1, {($1.IsOK() && arg3) ? SWIG_NewPointerObj(SWIG_as_voidptr(arg3), $descriptor(KyBuffer *), 0) : SWIG_Py_Void()});
  if (!$result) SWIG_fail;
}
%include "ky/buffer/KyBufferConverter.h"
%typemap(out) KyResult KyBufferConverter::Convert;

// ----- KyBufferConverterRGBFilter
KY_DELETES_ONLY_OWNED(KyBufferConverterRGBFilter)
%ignore KyBufferConverterRGBFilter::IsIdentity;
%ignore KyBufferConverterRGBFilter::MakeTables;
%include "ky/buffer/KyBufferConverterRGBFilter.h"
