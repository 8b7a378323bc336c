// The pipeline (KyPipeline) and the event sink that a Python class may implement
// (KyPipelineEventSink).
//
// A pipeline keeps only its stream's address; its Python proxy also keeps the stream's proxy alive.
// RetrieveNextBuffer takes a timeout and returns the tuple (KyResult, buffer or None, operation
// KyResult), the buffer borrowed from the pipeline until ReleaseBuffer. Every pipeline call runs
// with the interpreter lock released: the sink's operations, called on the pipeline's thread
// (or, for OnStart, OnStop and OnReset, on the caller's), take it for the call. A sink operation
// that raises is printed and the pipeline goes on; inside Start, Stop or Reset (and the calls
// that create or delete buffers) the error is raised from that call once it returns.

%{
#include "ky/buffer/KyBuffer.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyPipelineEventSink.h"
%}

// A pipeline handed to a sink is borrowed: deleting its proxy leaves the pipeline.
KY_DELETES_ONLY_OWNED(KyPipeline)

// The proxy of a pipeline holds its stream's proxy, so that a program that drops its stream
// first cannot leave the pipeline on freed memory. The pipeline's own object goes first: "this"
// is the first attribute the proxy gets, and the dict releases its items in that order.
%feature("pythonappend") KyPipeline::KyPipeline %{
        self._ky_stream = aStream
%}

// ----- KyPipeline
// RetrieveNextBuffer: the one Python argument is the timeout (0 to 0xFFFFFFFF ms); the shorter
// SDK forms take the outputs as pointer objects, which Python has none of.
%fragment(SWIG_AsVal_frag(unsigned int));
%typemap(in, numinputs=1, fragment=SWIG_AsVal_frag(unsigned int))
  (KyBuffer **aBuffer, uint32_t aTimeout, KyResult *aOperationResult)
  (KyBuffer *buffer = 0, unsigned int timeout = 0, KyResult *operation = 0, int res = 0) {
  res = SWIG_AsVal(unsigned int)($input, &timeout);
  if (!SWIG_IsOK(res)) {
    %argument_fail(res, "uint32_t", $symname, 2);
  }
  operation = new KyResult();
  $1 = &buffer;
  $2 = (uint32_t) timeout;
  $3 = operation;
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_UINT32, fragment=SWIG_AsVal_frag(unsigned int))
  (KyBuffer **aBuffer, uint32_t aTimeout, KyResult *aOperationResult) {
  $1 = PyLong_Check($input) && SWIG_IsOK(SWIG_AsVal(unsigned int)($input, NULL)) ? 1 : 0;
}
%typemap(argout) (KyBuffer **aBuffer, uint32_t aTimeout, KyResult *aOperationResult) {
  /* (status, buffer borrowed or None, operation result owned) */
  Py_XDECREF($result);
  $result = KyPy_ResultTuple(result, {SWIG_NewPointerObj(SWIG_as_voidptr(buffer$argnum), $descriptor(KyBuffer *), 0),
                                      SWIG_NewPointerObj(SWIG_as_voidptr(operation$argnum), $descriptor(KyResult *), SWIG_POINTER_OWN)});
  operation$argnum = 0;
}
%typemap(freearg) (KyBuffer **aBuffer, uint32_t aTimeout, KyResult *aOperationResult) "delete operation$argnum;"
// The shorter forms' buffer position: an int passes the probe (after every other form) and then
// fails as no 'KyBuffer **', so a call with two ints says which argument is wrong.
%typemap(typecheck, precedence=20000, fragment=SWIG_AsVal_frag(unsigned int)) KyBuffer **aBuffer {
  $1 = PyLong_Check($input) && SWIG_IsOK(SWIG_AsVal(unsigned int)($input, NULL)) ? 1 : 0;
}
%include "ky/stream/KyPipeline.h"
%clear (KyBuffer **aBuffer, uint32_t aTimeout, KyResult *aOperationResult);
%clear KyBuffer **aBuffer;

// ----- KyPipelineEventSink
KY_CALLBACK_CLASS(KyPipelineEventSink)
%include "ky/stream/KyPipelineEventSink.h"
