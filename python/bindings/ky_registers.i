// The registers of a soft device: IKyRegisterInfo and IKyRegister (borrowed from the register
// map), IKyRegisterStore (given to Persist), IKyRegisterEventSink (a Python class may implement
// it), IKyRegisterFactory (given to OnCreateCustomRegisters) and IKyRegisterMap (borrowed from
// the running device). Reads come back as (KyResult, value or None); ReadBytes as the list
// [KyResult, uint8 array]. Every access runs the register's sinks, on the calling thread.

%{
#include "ky/virtualdevice/IKyRegister.h"
#include "ky/virtualdevice/IKyRegisterEventSink.h"
#include "ky/virtualdevice/IKyRegisterFactory.h"
#include "ky/virtualdevice/IKyRegisterInfo.h"
#include "ky/virtualdevice/IKyRegisterMap.h"
#include "ky/virtualdevice/IKyRegisterStore.h"
%}

// ----- IKyRegisterInfo
%apply const KyString &KY_WIDE_RESULT { const KyString &GetName };
%include "ky/virtualdevice/IKyRegisterInfo.h"

// ----- IKyRegister
// ReadBytes: the caller names the byte count, an int from 0 to 4294967295 (checked before the
// array is made); the new zero-filled uint8 array is filled by the SDK and follows the KyResult.
%typemap(in, numinputs=1, fragment="NumPy_Fragments") (uint8_t *KY_REGISTER_READ, uint32_t KY_REGISTER_READ_SIZE)
  (PyObject *array = NULL, unsigned int count = 0, int res = 0) {
  /* KY_REGISTER_READ: a zero-filled array that the SDK fills; the result list takes it */
  if (!PyLong_Check($input)) {
    PyErr_Format(PyExc_TypeError, "Int dimension expected.  '%s' given.", pytype_string($input));
    SWIG_fail;
  }
  res = SWIG_AsVal(unsigned int)($input, &count);
  if (!SWIG_IsOK(res)) {
    %argument_fail(SWIG_OverflowError, "uint32_t", $symname, $argnum);
  }
  {
    npy_intp dims[1] = {(npy_intp) count};
    array = PyArray_ZEROS(1, dims, NPY_UBYTE, 0);
  }
  if (!array) SWIG_fail;
  $1 = ($1_ltype) array_data((PyArrayObject *) array);
  $2 = ($2_ltype) count;
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_INTEGER, fragment="NumPy_Fragments")
  (uint8_t *KY_REGISTER_READ, uint32_t KY_REGISTER_READ_SIZE) {
  /* the length is taken by every form; a non-int is reported as the length error */
  if (!PyLong_Check($input)) {
    PyErr_Format(PyExc_TypeError, "Int dimension expected.  '%s' given.", pytype_string($input));
  }
  $1 = 1;
}
%typemap(argout) (uint8_t *KY_REGISTER_READ, uint32_t KY_REGISTER_READ_SIZE) {
  $result = SWIG_Python_AppendOutput($result, array$argnum);
  array$argnum = NULL;
}
%typemap(freearg) (uint8_t *KY_REGISTER_READ, uint32_t KY_REGISTER_READ_SIZE) {
  Py_XDECREF(array$argnum);
}

KY_OUT_IF_OK_TUPLE_TYPEMAP(float)
KY_OUT_IF_OK_TUPLE_TYPEMAP(double)
%apply unsigned int &KY_OUT_IF_OK_TUPLE { uint32_t &aValue };
%apply float &KY_OUT_IF_OK_TUPLE { float &aValue };
%apply double &KY_OUT_IF_OK_TUPLE { double &aValue };
%apply KyString &KY_OUT_TEXT_TUPLE { KyString &aValue };
// Write's text is an ordinary text argument (the typemap above would match it too).
%apply const KyString & { const KyString &aValue };
%typemap(argout) const KyString &aValue "";
%apply (const uint8_t *KY_BYTES_OBJECT, uint32_t KY_BYTES_OBJECT_SIZE) { (const uint8_t *aData, uint32_t aDataLength) };
%apply (uint8_t *KY_REGISTER_READ, uint32_t KY_REGISTER_READ_SIZE) { (uint8_t *aData, uint32_t aDataLength) };
// The reads follow the writes and the sinks in the method table.
%warnfilter(302) IKyRegister::ReadString;
%warnfilter(302) IKyRegister::ReadInt;
%warnfilter(302) IKyRegister::ReadBytes;
%rename("$ignore", %$not %$isextendmember) IKyRegister::ReadString;
%rename("$ignore", %$not %$isextendmember) IKyRegister::ReadInt;
%rename("$ignore", %$not %$isextendmember) IKyRegister::ReadBytes;
%extend IKyRegister {
  /// Reads the register as a zero-terminated text, running its sinks.
  ///
  /// @return (KyResult, str), the str None unless the KyResult is OK: KY_OK, or a sink's refusal
  KyResult ReadString(KyString &aValue) { return $self->ReadString(aValue); }
  /// Reads a 4-byte unsigned integer (big-endian, as a controller sees it), running the sinks.
  ///
  /// @param[in] aOffset where in the register the integer starts (default 0)
  ///
  /// @return (KyResult, int), the int None unless the KyResult is OK: KY_OK, KY_INVALID_PARAMETER
  ///         (past the register's end), or a sink's refusal
  KyResult ReadInt(uint32_t &aValue, uint32_t aOffset = 0) { return $self->ReadInt(aValue, aOffset); }
  /// Reads bytes of the register, running its sinks.
  ///
  /// @param[in] aDataLength how many bytes, 0 to 4294967295
  /// @param[in] aOffset where in the register to start (default 0)
  ///
  /// @return [KyResult, uint8 array of aDataLength bytes, zero where nothing was read]: KY_OK,
  ///         KY_INVALID_PARAMETER (past the register's end), or a sink's refusal
  KyResult ReadBytes(uint8_t *aData, uint32_t aDataLength, uint32_t aOffset = 0)
  {
    return $self->ReadBytes(aData, aDataLength, aOffset);
  }
}
%include "ky/virtualdevice/IKyRegister.h"
%clear uint32_t &aValue;
%clear float &aValue;
%clear double &aValue;
%clear KyString &aValue;
%clear const KyString &aValue;
%clear (const uint8_t *aData, uint32_t aDataLength);
%clear (uint8_t *aData, uint32_t aDataLength);

// ----- IKyRegisterStore
%include "ky/virtualdevice/IKyRegisterStore.h"

// ----- IKyRegisterEventSink
KY_CALLBACK_CLASS(IKyRegisterEventSink)
KY_SOFT_CALLBACK_SELF(IKyRegisterEventSink)
%include "ky/virtualdevice/IKyRegisterEventSink.h"

// ----- IKyRegisterFactory
%include "ky/virtualdevice/IKyRegisterFactory.h"

// ----- IKyRegisterMap
%include "ky/virtualdevice/IKyRegisterMap.h"
