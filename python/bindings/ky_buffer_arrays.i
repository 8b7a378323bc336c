// Buffer, image, chunk and raw memory as numpy arrays, in and out.
//
//   view         KyPy_MemoryView: a C-contiguous, writeable array made directly on memory that
//                the SDK lends (no copy, no base object: it stays valid while the memory does).
//                A null address gives an empty array of the same element type (first dimension
//                0), never an allocation of numpy's own.
//   image view   KyPy_ImageView: an image's memory shaped by its pixel type (see below), never
//                larger than the memory behind it.
//   attach in    (void *KY_ATTACH, ...): the caller's own array, used in place while attached.
//                Only a C-contiguous, writeable uint8 ndarray of the required dimensions is
//                taken: anything numpy would have to convert (a list, another element type, a
//                non-contiguous view) would leave the SDK with the address of a temporary, so
//                it raises TypeError instead. Lengths cross as their true 64-bit count; where
//                the SDK takes 32 bits, a larger array raises OverflowError.
//
// Image shape rule (pixel type = colour class | bits per pixel << 16 | id):
//   bits not a multiple of 8 (packed)        1-D uint8 of the image size
//   mono class, 8 bits                       (rows, columns) uint8
//   mono class, 16 bits                      (rows, columns) uint16
//   mono class, other bits                   1-D uint8 of the image size
//   colour class, 48 or 64 bits              (rows, columns, bits / 16) uint16
//   colour class, other bits                 (rows, columns, bits / 8) uint8
//   neither class                            1-D uint8 of the image size
// rows = height + padding Y, columns = width + padding X. Where the shaped array would cover
// more bytes than the memory behind the image, the view is the 1-D uint8 array of that memory.

%{
#include <algorithm>
#include <cstdint>

#include "ky/buffer/IKyImage.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
%}

%fragment("KyPy_BufferArrays", "header", fragment="NumPy_Fragments") %{
// A view of nd dimensions over data; a null address gives an empty array (first dimension 0).
// New reference, or null with numpy's error pending.
SWIGINTERN PyObject *KyPy_MemoryView(void *data, int nd, npy_intp *dims, int typenum)
{
    if (data == NULL)
        dims[0] = 0;
    return KyPy_ArrayView(data, nd, dims, typenum, NULL);
}

// A one-dimensional uint8 view of count bytes.
SWIGINTERN PyObject *KyPy_ByteView(const void *data, uint64_t count)
{
    npy_intp dims[1] = {static_cast<npy_intp>(std::min<uint64_t>(count, static_cast<uint64_t>(NPY_MAX_INTP)))};
    return KyPy_MemoryView(const_cast<void *>(data), 1, dims, NPY_UBYTE);
}

// Bytes of memory behind an image's data: its buffer's memory for a KyImage, else (an image
// whose memory the SDK does not tell) the image size.
SWIGINTERN uint64_t KyPy_ImageMemory(IKyImage *image)
{
    if (KyImage *own = dynamic_cast<KyImage *>(image)) {
        KyBuffer *buffer = own->GetBuffer();
        if (buffer != NULL)
            return buffer->GetSize();
    }
    return image->GetImageSize();
}

// The image's memory at data as an array by the image shape rule; memory is the number of
// bytes behind data. Called with the interpreter lock held.
SWIGINTERN PyObject *KyPy_ImageView(IKyImage *image, void *data, uint64_t memory)
{
    const uint32_t bits = image->GetBitsPerPixel();
    const uint64_t imageSize = std::min<uint64_t>(image->GetImageSize(), memory);
    if (bits == 0 || bits % 8 != 0)
        return KyPy_ByteView(data, imageSize);
    const uint64_t rows = uint64_t(image->GetHeight()) + image->GetPaddingY();
    const uint64_t columns = uint64_t(image->GetWidth()) + image->GetPaddingX();
    const uint32_t pixelType = static_cast<uint32_t>(image->GetPixelType());
    int nd = 2, typenum = NPY_UBYTE;
    uint64_t channels = 1;
    if (pixelType & static_cast<uint32_t>(KYPIXELMONO)) {
        if (bits == 16)
            typenum = NPY_USHORT;
        else if (bits != 8)
            return KyPy_ByteView(data, imageSize);
    } else if (pixelType & static_cast<uint32_t>(KYPIXELCOLOR)) {
        nd = 3;
        const bool wide = bits == 48 || bits == 64;
        typenum = wide ? NPY_USHORT : NPY_UBYTE;
        channels = wide ? bits / 16 : bits / 8;
    } else {
        return KyPy_ByteView(data, imageSize);
    }
    // Never a view past the memory: rows x columns x bytes per pixel must fit in it.
    const unsigned __int128 bytes = static_cast<unsigned __int128>(rows) * columns * (bits / 8);
    if (data != NULL && bytes > memory)
        return KyPy_ByteView(data, memory);
    if (rows > static_cast<uint64_t>(NPY_MAX_INTP) || columns > static_cast<uint64_t>(NPY_MAX_INTP))
        return KyPy_ByteView(data, imageSize);
    npy_intp dims[3] = {static_cast<npy_intp>(rows), static_cast<npy_intp>(columns), static_cast<npy_intp>(channels)};
    return KyPy_MemoryView(data, nd, dims, typenum);
}

// The caller's array for an attachment: a C-contiguous, aligned, writeable uint8 ndarray whose
// number of dimensions is between minDims and maxDims. Borrowed, or null with TypeError pending
// (the text of numpy.i's checks, or `text` when given).
SWIGINTERN PyArrayObject *KyPy_AttachArray(PyObject *input, int minDims, int maxDims, const char *text)
{
    PyArrayObject *array = obj_to_array_no_conversion(input, NPY_UBYTE);
    if (array != NULL && !require_contiguous(array))
        array = NULL;
    if (array != NULL && !PyArray_ISWRITEABLE(array)) {
        PyErr_SetString(PyExc_TypeError, "Array must be writeable.  A read-only array was given");
        array = NULL;
    }
    if (array != NULL && minDims == maxDims && !require_dimensions(array, minDims))
        array = NULL;
    if (array != NULL && (array_numdims(array) < minDims || array_numdims(array) > maxDims)) {
        PyErr_Format(PyExc_TypeError, "Array must have %d to %d dimensions.  Given array has %d dimensions",
                     minDims, maxDims, array_numdims(array));
        array = NULL;
    }
    if (array == NULL && text != NULL) {
        PyErr_Clear();
        PyErr_SetString(PyExc_TypeError, text);
    }
    return array;
}
%}
%fragment("KyPy_BufferArrays");

// (void *KY_ATTACH, uint32_t KY_ATTACH_SIZE): a one-dimensional uint8 array attached in place;
// its length as uint32_t (OverflowError above).
%typemap(in, noblock=1) (void *KY_ATTACH, uint32_t KY_ATTACH_SIZE) (PyArrayObject *array = NULL) {
  /* KY_ATTACH: the caller's array, in place */
  array = KyPy_AttachArray($input, 1, 1, NULL);
  if (!array) SWIG_fail;
  if ((uint64_t) array_size(array, 0) > UINT32_MAX) {
    %argument_fail(SWIG_OverflowError, "uint32_t", $symname, $argnum);
  }
  $1 = array_data(array);
  $2 = (uint32_t) array_size(array, 0);
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER, fragment="NumPy_Fragments")
  (void *KY_ATTACH, uint32_t KY_ATTACH_SIZE) "$1 = is_array($input) || PySequence_Check($input);"

// (void *KY_ATTACH, uint64_t KY_ATTACH_SIZE): the same with the true 64-bit length.
%typemap(in, noblock=1) (void *KY_ATTACH, uint64_t KY_ATTACH_SIZE) (PyArrayObject *array = NULL) {
  /* KY_ATTACH: the caller's array, in place */
  array = KyPy_AttachArray($input, 1, 1, NULL);
  if (!array) SWIG_fail;
  $1 = array_data(array);
  $2 = (uint64_t) array_size(array, 0);
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER, fragment="NumPy_Fragments")
  (void *KY_ATTACH, uint64_t KY_ATTACH_SIZE) "$1 = is_array($input) || PySequence_Check($input);"

// (const uint8_t *KY_CHUNK_BYTES, uint32_t KY_CHUNK_BYTES_SIZE): a bytes object (or subclass),
// passed in place for the SDK to copy during the call; anything else is a TypeError naming the
// data pointer, a length above uint32_t an OverflowError.
%typemap(in, noblock=1) (const uint8_t *KY_CHUNK_BYTES, uint32_t KY_CHUNK_BYTES_SIZE) {
  /* KY_CHUNK_BYTES: the bytes object's own storage */
  if (!PyBytes_Check($input)) {
    %argument_fail(SWIG_TypeError, "uint8_t const *", $symname, $argnum);
  }
  if ((uint64_t) PyBytes_GET_SIZE($input) > UINT32_MAX) {
    %argument_fail(SWIG_OverflowError, "uint32_t", $symname, $argnum);
  }
  $1 = ($1_ltype) PyBytes_AS_STRING($input);
  $2 = (uint32_t) PyBytes_GET_SIZE($input);
}

// uint32_t &KY_OUT_ZERO: an out-value that starts at 0 and is appended to the result list
// whatever the status.
%typemap(in, numinputs=0, noblock=1) uint32_t &KY_OUT_ZERO (uint32_t temp = 0) { $1 = &temp; }
%typemap(argout, fragment=SWIG_From_frag(unsigned int)) uint32_t &KY_OUT_ZERO {
  /* KY_OUT_ZERO: the value, set or not */
  $result = SWIG_Python_AppendOutput($result, SWIG_From(unsigned int)(temp$argnum));
}

// Chunk bytes as a view: the raw-data getter gave the address (lock released), the size getter
// with the same key gives the length (lock held).
%typemap(out, noblock=1) const uint8_t *GetChunkRawDataByIndex {
  /* chunk bytes by index: a view */
  $result = KyPy_ByteView($1, arg1->GetChunkSizeByIndex(arg2));
  if (!$result) SWIG_fail;
}
%typemap(out, noblock=1) const uint8_t *GetChunkRawDataByID {
  /* chunk bytes by ID: a view */
  $result = KyPy_ByteView($1, arg1->GetChunkSizeByID(arg2));
  if (!$result) SWIG_fail;
}
