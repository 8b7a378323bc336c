// Pixel, register and event data as numpy arrays, in three forms:
//   in     (const T *KY_ARRAY_IN, size_t KY_ARRAY_IN_SIZE): any array-like, converted to a
//          C-contiguous one-dimensional array of T (numpy.i's helpers and error texts); the
//          temporary array is released after the call.
//   out    (T *KY_ARRAY_OUT, uint32_t KY_ARRAY_OUT_SIZE): the caller names the element count (an
//          int, checked against the uint32_t range before anything is allocated); the wrapper
//          makes the array, the SDK fills it, and it is appended to the result.
//   view   KyPy_ArrayView(...): an array made directly on memory the SDK lends, without a copy;
//          the owner object given is kept alive by the array.
// numpy's C API itself is imported by the module's init function with KyPy_ImportNumpy.

%include "numpy.i"

%fragment("NumPy_Fragments");

%header %{
// Imports numpy's C API for this extension module; each module's init function calls it once.
// On failure the numpy error is printed and ImportError is left pending.
SWIGINTERN bool KyPy_ImportNumpy()
{
    if (_import_array() < 0) {
        PyErr_Print();
        PyErr_SetString(PyExc_ImportError, "numpy.core.multiarray failed to import");
        return false;
    }
    return true;
}

// A C-contiguous, aligned, writeable array of nd dimensions on data. owner (may be null) becomes
// the array's base and lives as long as the array; the reference to owner is taken over.
SWIGINTERN PyObject *KyPy_ArrayView(void *data, int nd, const npy_intp *dims, int typenum, PyObject *owner)
{
    PyObject *array = PyArray_New(&PyArray_Type, nd, const_cast<npy_intp *>(dims), typenum, NULL, data, 0,
                                  NPY_ARRAY_CARRAY, NULL);
    if (!array) {
        Py_XDECREF(owner);
        return NULL;
    }
    if (owner && PyArray_SetBaseObject(reinterpret_cast<PyArrayObject *>(array), owner) != 0) {
        Py_DECREF(array);
        return NULL;
    }
    return array;
}
%}

%define KY_ARRAY_TYPEMAPS(T, TYPECODE)
%typemap(in, fragment="NumPy_Fragments") (const T *KY_ARRAY_IN, size_t KY_ARRAY_IN_SIZE)
  (PyArrayObject *array = NULL, int is_new_object = 0) {
  /* KY_ARRAY_IN: converted (or borrowed) array, released in freearg */
  array = obj_to_array_contiguous_allow_conversion($input, TYPECODE, &is_new_object);
  if (!array || !require_dimensions(array, 1)) SWIG_fail;
  $1 = ($1_ltype) array_data(array);
  $2 = (size_t) array_size(array, 0);
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER, fragment="NumPy_Fragments")
  (const T *KY_ARRAY_IN, size_t KY_ARRAY_IN_SIZE) "$1 = is_array($input) || PySequence_Check($input);"
%typemap(freearg) (const T *KY_ARRAY_IN, size_t KY_ARRAY_IN_SIZE) {
  /* KY_ARRAY_IN: release the temporary array */
  if (is_new_object$argnum && array$argnum) { Py_DECREF(array$argnum); }
}

%typemap(in, numinputs=1, fragment="NumPy_Fragments") (T *KY_ARRAY_OUT, uint32_t KY_ARRAY_OUT_SIZE)
  (PyObject *array = NULL, unsigned int count = 0, int res = 0) {
  /* KY_ARRAY_OUT: the wrapper allocates the array; the result list takes it in argout */
  if (!PyLong_Check($input)) {
    PyErr_Format(PyExc_TypeError, "Int dimension expected.  '%s' given.", pytype_string($input));
    SWIG_fail;
  }
  res = SWIG_AsVal(unsigned int)($input, &count);
  if (!SWIG_IsOK(res)) {
    %argument_fail(res, "uint32_t", $symname, $argnum);
  }
  {
    npy_intp dims[1] = {(npy_intp) count};
    array = PyArray_SimpleNew(1, dims, TYPECODE);
  }
  if (!array) SWIG_fail;
  $1 = ($1_ltype) array_data((PyArrayObject *) array);
  $2 = (uint32_t) count;
}
%typemap(argout) (T *KY_ARRAY_OUT, uint32_t KY_ARRAY_OUT_SIZE) {
  /* KY_ARRAY_OUT: hand the array to the result */
  $result = SWIG_Python_AppendOutput($result, array$argnum);
  array$argnum = NULL;
}
%typemap(freearg) (T *KY_ARRAY_OUT, uint32_t KY_ARRAY_OUT_SIZE) {
  /* KY_ARRAY_OUT: release the array when the call failed before argout */
  Py_XDECREF(array$argnum);
}
%enddef

%fragment(SWIG_AsVal_frag(unsigned int));
KY_ARRAY_TYPEMAPS(uint8_t, NPY_UBYTE)
KY_ARRAY_TYPEMAPS(uint16_t, NPY_USHORT)
KY_ARRAY_TYPEMAPS(uint32_t, NPY_UINT)
KY_ARRAY_TYPEMAPS(int64_t, NPY_INT64)
KY_ARRAY_TYPEMAPS(float, NPY_FLOAT)
KY_ARRAY_TYPEMAPS(double, NPY_DOUBLE)

// Byte buffers of the SDK's own shapes (void or uint8_t pointers with a 32- or 64-bit length):
//   KY_BYTES_IN      (const void *, uint32_t) in: any array-like as C-contiguous uint8 of one
//                    dimension; its data and element count go to the SDK.
//   KY_BYTES_WRITE   (const uint8_t *, int64_t) in: the same with a 64-bit length.
//   KY_BYTES_READ    (uint8_t *, int64_t) out: the caller names the byte count (an int from 0
//                    to 2^31-1; negative: numpy's error); a new zero-filled uint8 array that the
//                    SDK fills is appended to the result, so a failed read shows no stale memory.
//   KY_BYTES_TUPLE   (const void *, int64_t address, int64_t length) in: ONE Python argument, a
//                    tuple (array, address), checked in that order with texts naming the function.
//   KY_BYTES_COPY    (const void *, uint32_t) director in: a new uint8 array with a copy of the
//                    bytes, owned by Python (an override may keep it); null data gives an empty one.
//   KY_BYTES_TUPLE   director in: the tuple (copy of the bytes, address); null or a negative
//                    length gives an empty array.
%header %{
// A new one-dimensional uint8 array holding a copy of size bytes at data (empty for null data or
// a size below 1).
SWIGINTERN PyObject *KyPy_BytesCopy(const void *data, long long size)
{
    npy_intp dims[1] = {(data && size > 0) ? static_cast<npy_intp>(size) : 0};
    PyObject *array = PyArray_SimpleNew(1, dims, NPY_UBYTE);
    if (array && dims[0] > 0)
        std::memcpy(PyArray_DATA(reinterpret_cast<PyArrayObject *>(array)), data, static_cast<size_t>(dims[0]));
    return array;
}
%}

%typemap(in, fragment="NumPy_Fragments") (const void *KY_BYTES_IN, uint32_t KY_BYTES_IN_SIZE)
  (PyArrayObject *array = NULL, int is_new_object = 0) {
  /* KY_BYTES_IN: converted (or borrowed) array, released in freearg */
  array = obj_to_array_contiguous_allow_conversion($input, NPY_UBYTE, &is_new_object);
  if (!array || !require_dimensions(array, 1)) SWIG_fail;
  if (array_size(array, 0) > (npy_intp) UINT32_MAX) {
    %argument_fail(SWIG_OverflowError, "uint32_t", $symname, $argnum);
  }
  $1 = ($1_ltype) array_data(array);
  $2 = ($2_ltype) array_size(array, 0);
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER, fragment="NumPy_Fragments")
  (const void *KY_BYTES_IN, uint32_t KY_BYTES_IN_SIZE) "$1 = is_array($input) || PySequence_Check($input);"
%typemap(freearg) (const void *KY_BYTES_IN, uint32_t KY_BYTES_IN_SIZE) {
  if (is_new_object$argnum && array$argnum) { Py_DECREF(array$argnum); }
}

%typemap(in, fragment="NumPy_Fragments") (const uint8_t *KY_BYTES_WRITE, int64_t KY_BYTES_WRITE_SIZE)
  (PyArrayObject *array = NULL, int is_new_object = 0) {
  /* KY_BYTES_WRITE: converted (or borrowed) array, released in freearg */
  array = obj_to_array_contiguous_allow_conversion($input, NPY_UBYTE, &is_new_object);
  if (!array || !require_dimensions(array, 1)) SWIG_fail;
  $1 = ($1_ltype) array_data(array);
  $2 = ($2_ltype) array_size(array, 0);
}
%typemap(freearg) (const uint8_t *KY_BYTES_WRITE, int64_t KY_BYTES_WRITE_SIZE) {
  if (is_new_object$argnum && array$argnum) { Py_DECREF(array$argnum); }
}

%typemap(in, numinputs=1, fragment="NumPy_Fragments") (uint8_t *KY_BYTES_READ, int64_t KY_BYTES_READ_SIZE)
  (PyObject *array = NULL, long count = 0) {
  /* KY_BYTES_READ: a zero-filled array that the SDK fills; the result list takes it in argout */
  if (!PyLong_Check($input)) {
    PyErr_Format(PyExc_TypeError, "Int dimension expected.  '%s' given.", pytype_string($input));
    SWIG_fail;
  }
  count = PyLong_AsLong($input);
  if ((count == -1 && PyErr_Occurred()) || count > INT32_MAX) {
    PyErr_Clear();
    %argument_fail(SWIG_OverflowError, "int", $symname, $argnum);
  }
  {
    npy_intp dims[1] = {(npy_intp) count};
    array = PyArray_ZEROS(1, dims, NPY_UBYTE, 0);
  }
  if (!array) SWIG_fail;
  $1 = ($1_ltype) array_data((PyArrayObject *) array);
  $2 = ($2_ltype) count;
}
%typemap(argout) (uint8_t *KY_BYTES_READ, int64_t KY_BYTES_READ_SIZE) {
  $result = SWIG_Python_AppendOutput($result, array$argnum);
  array$argnum = NULL;
}
%typemap(freearg) (uint8_t *KY_BYTES_READ, int64_t KY_BYTES_READ_SIZE) {
  Py_XDECREF(array$argnum);
}

%typemap(in, numinputs=1, fragment="NumPy_Fragments")
  (const void *KY_BYTES_TUPLE, int64_t KY_BYTES_TUPLE_ADDRESS, int64_t KY_BYTES_TUPLE_SIZE)
  (PyArrayObject *tupleArray = NULL, int is_new_object = 0, long long address = 0) {
  /* KY_BYTES_TUPLE: (array, address) */
  if (!PyTuple_Check($input)) {
    PyErr_SetString(PyExc_TypeError, "Error: $symname requires tuple argument");
    SWIG_fail;
  }
  if (PyTuple_Size($input) < 2) {
    PyErr_SetString(PyExc_TypeError, "Error: $symname requires a tuple with two elements as an argument");
    SWIG_fail;
  }
  if (!SWIG_IsOK(SWIG_AsVal(long long)(PyTuple_GET_ITEM($input, 1), &address))) {
    PyErr_SetString(PyExc_TypeError, "Error: $symname requires an integer as the second tuple element");
    SWIG_fail;
  }
  tupleArray = obj_to_array_contiguous_allow_conversion(PyTuple_GET_ITEM($input, 0), NPY_UBYTE, &is_new_object);
  if (!tupleArray || array_numdims(tupleArray) < 1) {
    PyErr_Clear();
    PyErr_SetString(PyExc_TypeError, "Error: $symname requires a numpy array as the first tuple element");
    SWIG_fail;
  }
  $1 = ($1_ltype) array_data(tupleArray);
  $2 = ($2_ltype) address;
  $3 = ($3_ltype) array_size(tupleArray, 0);
}
%typemap(freearg) (const void *KY_BYTES_TUPLE, int64_t KY_BYTES_TUPLE_ADDRESS, int64_t KY_BYTES_TUPLE_SIZE) {
  if (is_new_object$argnum && tupleArray$argnum) { Py_DECREF(tupleArray$argnum); }
}

%typemap(directorin, fragment="NumPy_Fragments") (const void *KY_BYTES_COPY, uint32_t KY_BYTES_COPY_SIZE) {
  $input = KyPy_BytesCopy($1_name, (long long) $2_name);
}
%typemap(directorin, fragment="NumPy_Fragments")
  (const void *KY_BYTES_TUPLE, int64_t KY_BYTES_TUPLE_ADDRESS, int64_t KY_BYTES_TUPLE_SIZE) {
  $input = Py_BuildValue("(NL)", KyPy_BytesCopy($1_name, (long long) $3_name), (long long) $2_name);
}
%fragment(SWIG_AsVal_frag(long long));
