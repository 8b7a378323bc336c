// Streams: the receiver base (KyStream), the GigE Vision receiver (KyStreamGEV) and the USB3
// Vision receiver (KyStreamU3V).
//
// KyStream_CreateAndOpen returns (KyResult, stream) with the stream borrowed (KyStream_Free
// releases it) and handed out as KyStreamGEV, KyStreamU3V or KyStreamRTP where it is one. A queued buffer stays the caller's
// object; RetrieveBuffer hands back a borrowed KyBuffer over the same native buffer (equal to
// the caller's) in the list [KyResult, buffer or None, operation KyResult]. Every SDK call runs
// with the interpreter lock released, so other threads run while a retrieve waits.

%{
#include "ky/buffer/KyBuffer.h"
#include "ky/device/KyDeviceInfo.h"
#include "ky/stream/KyStream.h"
#include "ky/stream/KyStreamGEV.h"
#include "ky/stream/KyStreamRTP.h"
#include "ky/stream/KyStreamU3V.h"
%}

%include "ky/stream/KyStreamExport.h"

// A stream handed out by CreateAndOpen belongs to KyStream_Free, never to a delete.
KY_DELETES_ONLY_OWNED(KyStream)
KY_DELETES_ONLY_OWNED(KyStreamGEV)
KY_DELETES_ONLY_OWNED(KyStreamU3V)

// ----- KyStream
// CreateAndOpen: one Python argument; the SDK's result goes into the tuple with the stream. The
// address form's text is probed strictly, so an object of another kind gives the overload error.
%feature("compactdefaultargs") KyStream::CreateAndOpen;
%typemap(in, numinputs=0) KyResult *aResult (KyResult temp) "$1 = &temp;"
%typemap(out) KyStream *CreateAndOpen {
  swig_type_info *types[] = {$descriptor(KyStreamGEV *), $descriptor(KyStreamU3V *), $descriptor(KyStreamRTP *)};
  $result = KyPy_Downcast<KyStream, KyStreamGEV, KyStreamU3V, KyStreamRTP>::Make($1, $descriptor(KyStream *), types);
}
%typemap(argout) KyResult *aResult {
  $result = KyPy_ResultTuple(temp$argnum, {$result});
}
%apply const KyString &KY_TEXT { const KyString &aAddress };

// RetrieveBuffer: no Python argument for the outputs; the list [KyResult, buffer, operation].
%typemap(in, numinputs=0) KyBuffer **aBuffer (KyBuffer *temp = 0) "$1 = &temp;"
%typemap(argout) KyBuffer **aBuffer {
  /* retrieved buffer: borrowed, None when the SDK handed back none */
  $result = SWIG_Python_AppendOutput($result, SWIG_NewPointerObj(SWIG_as_voidptr(temp$argnum), $descriptor(KyBuffer *), 0));
}
%typemap(in, numinputs=0) KyResult *aOperationResult (KyResult *operation = 0) {
  operation = new KyResult();
  $1 = operation;
}
%typemap(argout) KyResult *aOperationResult {
  /* operation result: owned by Python from here */
  $result = SWIG_Python_AppendOutput($result, SWIG_NewPointerObj(SWIG_as_voidptr(operation$argnum), $descriptor(KyResult *), SWIG_POINTER_OWN));
  operation$argnum = 0;
}
%typemap(freearg) KyResult *aOperationResult "delete operation$argnum;"

%include "ky/stream/KyStream.h"
%clear KyResult *aResult;
%clear const KyString &aAddress;
%clear KyBuffer **aBuffer;
%clear KyResult *aOperationResult;

// ----- KyStreamGEV
// Open: eighteen forms (the SDK's defaults fill in the shorter ones); a text position takes any
// object in the dispatch, so an unusable text reports the KyString conversion of its position.
// IsDriverInstalled: the device address is a wrapped KyString that the SDK may change (probed as
// any text, converted only from a KyString); the answer is written through a bool pointer object.
// None passes the probe too, so that it meets the null-reference error of the conversion.
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER, fragment="KyPy_Text") KyString &aIPAddress
  "$1 = $input == Py_None || (KyPy_IsText($input) && !SWIG_IsOK(SWIG_ConvertPtr($input, 0, SWIG_TypeQuery(\"char *\"), 0))) ? 1 : 0;"
%apply unsigned int &KY_OUT_IF_OK_TUPLE { uint32_t &aSize };
%include "ky/stream/KyStreamGEV.h"
%clear KyString &aIPAddress;
%clear uint32_t &aSize;

// ----- KyStreamU3V
// Open: ten forms (the SDK's defaults fill in the shorter ones: capacity 64, small-image
// threshold 512, 64 pending transfers); the text position takes any object in the dispatch, so an
// unusable text reports the KyString conversion of its position. GetGUID gives a KyString object.
%include "ky/stream/KyStreamU3V.h"
