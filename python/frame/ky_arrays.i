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
