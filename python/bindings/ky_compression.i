// KyCompressionFilter and KyDecompressionFilter: an image buffer compressed, without loss, into
// the SDK's compressed format and back. Both constructors make owned objects; the buffers passed
// in are only borrowed for the call. Execute gives the tuple (KyResult, the output buffer
// borrowed, or None when the call failed or had no output buffer); GetOutputFormatFor gives
// (KyResult, pixel type, width, height), the three numbers 0 unless the SDK wrote them.
// GetThreadsPriority keeps SWIG's plain reference argument: a uint32_t pointer object whose memory
// receives the priority.

%{
#include "ky/buffer/KyCompressionFilter.h"
#include "ky/buffer/KyDecompressionFilter.h"
%}

// Execute of either filter: (result, output buffer or None).
%typemap(out, noblock=1) KyResult KyCompressionFilter::Execute, KyResult KyDecompressionFilter::Execute {
  /* filter result: (KyResult, output buffer or None) */
  $result = KyPy_ResultTuple($1, {($1.IsOK() && arg3) ? SWIG_NewPointerObj(SWIG_as_voidptr(arg3), $descriptor(KyBuffer *), 0) : SWIG_Py_Void()});
  if (!$result) SWIG_fail;
}

// ----- KyCompressionFilter
KY_DELETES_ONLY_OWNED(KyCompressionFilter)
%include "ky/buffer/KyCompressionFilter.h"

// ----- KyDecompressionFilter
KY_DELETES_ONLY_OWNED(KyDecompressionFilter)
// GetOutputFormatFor: the three out-values start at 0 and come back whatever the result.
%typemap(in, numinputs=0, noblock=1) KyPixelType &aPixelType (KyPixelType temp = KyPixelType()) { $1 = &temp; }
%typemap(in, numinputs=0, noblock=1) uint32_t &aWidth (uint32_t temp = 0), uint32_t &aHeight (uint32_t temp = 0) { $1 = &temp; }
%typemap(out, noblock=1) KyResult KyDecompressionFilter::GetOutputFormatFor {
  /* output format: (KyResult, pixel type, width, height) whatever the result */
  $result = KyPy_ResultTuple($1, {PyLong_FromUnsignedLong(static_cast<uint32_t>(*arg2)), PyLong_FromUnsignedLong(*arg3), PyLong_FromUnsignedLong(*arg4)});
  if (!$result) SWIG_fail;
}
%include "ky/buffer/KyDecompressionFilter.h"
%typemap(out) KyResult KyDecompressionFilter::GetOutputFormatFor;
%typemap(in) KyPixelType &aPixelType;
%typemap(in) uint32_t &aWidth, uint32_t &aHeight;
%typemap(out) KyResult KyCompressionFilter::Execute, KyResult KyDecompressionFilter::Execute;
