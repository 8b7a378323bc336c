// The serial port of a device (KyDeviceSerialPort), opened through a KyDeviceAdapter. Bytes
// travel as one-dimensional uint8 numpy arrays; out-values come back in a list headed by the
// KyResult ([R, value, ...]). Every call runs with the interpreter lock released, so a thread
// blocked in Read or Write does not stop other Python threads.
//
// Read makes its array of the size asked for before the call; a size outside 0 to 4294967295
// raises OverflowError before anything is allocated, and the array is released when a later
// argument fails. The echo sinks (KyDeviceSerialPortEchoSink) have no class here: only None or a
// pointer object of that type is accepted.

%{
#include "ky/serial/KyDeviceSerialPort.h"
%}

%include "ky/serial/KySerialExport.h"

%apply (const void *KY_BYTES_IN, uint32_t KY_BYTES_IN_SIZE) { (const uint8_t *aBuffer, uint32_t aSize) };
%apply (uint8_t *KY_ARRAY_OUT, uint32_t KY_ARRAY_OUT_SIZE) { (uint8_t *aBuffer, uint32_t aBufferSize) };
// As KY_ARRAY_OUT, but a bad size names the size's own place in Read's parameter list (3).
%typemap(in, numinputs=1, fragment="NumPy_Fragments") (uint8_t *aBuffer, uint32_t aBufferSize)
  (PyObject *array = NULL, unsigned int count = 0, int res = 0) {
  if (!PyLong_Check($input)) {
    PyErr_Format(PyExc_TypeError, "Int dimension expected.  '%s' given.", pytype_string($input));
    SWIG_fail;
  }
  res = SWIG_AsVal(unsigned int)($input, &count);
  if (!SWIG_IsOK(res)) {
    %argument_fail(res, "uint32_t", $symname, 3);
  }
  {
    npy_intp dims[1] = {(npy_intp) count};
    array = PyArray_SimpleNew(1, dims, NPY_UBYTE);
  }
  if (!array) SWIG_fail;
  $1 = ($1_ltype) array_data((PyArrayObject *) array);
  $2 = (uint32_t) count;
}
%apply unsigned int &OUTPUT { uint32_t &aBytesWritten, uint32_t &aWritten, uint32_t &aSize, uint32_t &aBytesRead,
                              uint32_t &aBytes };
%include "ky/serial/KyDeviceSerialPort.h"
%clear (const uint8_t *aBuffer, uint32_t aSize);
%clear (uint8_t *aBuffer, uint32_t aBufferSize);
%clear uint32_t &aBytesWritten;
%clear uint32_t &aWritten;
%clear uint32_t &aSize;
%clear uint32_t &aBytesRead;
%clear uint32_t &aBytes;
