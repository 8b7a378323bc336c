// Images: the image interface (IKyImage) and the image of a buffer (KyImage). Both come borrowed
// (a buffer's image belongs to its buffer; deleting the Python object never destroys it). Pixels
// come out as views shaped by the pixel type (ky_buffer_arrays.i); an attached array stays the
// caller's, in place, until Detach or Free, and must hold what the image needs.

%{
#include "ky/buffer/IKyImage.h"
#include "ky/buffer/KyImage.h"
%}

// Python never owns an image: deleting one leaves it to its buffer.
KY_DELETES_ONLY_OWNED(IKyImage)
KY_DELETES_ONLY_OWNED(KyImage)

// ----- IKyImage
%typemap(out, noblock=1) uint8_t *GetDataPointer, const uint8_t *GetDataPointer {
  /* image pixels: a view by the image shape rule */
  $result = KyPy_ImageView(arg1, (void *) $1, KyPy_ImageMemory(arg1));
  if (!$result) SWIG_fail;
}
%include "ky/buffer/IKyImage.h"
%typemap(out) uint8_t *GetDataPointer;
%typemap(out) const uint8_t *GetDataPointer;

// ----- KyImage: the IKyImage operations are reached through IKyImage_ (a KyImage converts to
// it); the receiver's setters and the size helpers are the SDK's own business.
%ignore KyImage::GetDataPointer;
%ignore KyImage::GetImageSize;
%ignore KyImage::GetWidth;
%ignore KyImage::GetHeight;
%ignore KyImage::GetPixelType;
%ignore KyImage::GetBitsPerPixel;
%ignore KyImage::GetOffsetX;
%ignore KyImage::GetOffsetY;
%ignore KyImage::GetPaddingX;
%ignore KyImage::GetPaddingY;
%ignore KyImage::GetBlockID;
%ignore KyImage::GetTimestamp;
%ignore KyImage::GetReceptionTime;
%ignore KyImage::ComputeImageSize;
%ignore KyImage::AttachSized;
%ignore KyImage::SetGeometry;
%ignore KyImage::SetPartialLineMissing;
%ignore KyImage::SetInterlaced;
%ignore KyImage::SetImageDropped;
%ignore KyImage::SetDataOverrun;
%ignore KyImage::GetMissingLine;

// Attach: ONE Python argument, a 2-D (height, width) or 3-D (height, width, bytes) array, for
// the address, width and height. The SDK is asked through AttachSized with the array's size, so
// an array smaller than the image (and its chunk room) is refused (KY_BUFFER_TOO_SMALL) and
// nothing is attached.
%typemap(in, noblock=1) (void *aBuffer, uint32_t aWidth, uint32_t aHeight) (PyArrayObject *pixels = NULL, uint64_t memory = 0) {
  /* image attach: the caller's 2-D or 3-D array, in place */
  pixels = KyPy_AttachArray($input, 2, 3, "in method '$symname', argument 1 of type array");
  if (!pixels) SWIG_fail;
  if ((uint64_t) array_size(pixels, 0) > UINT32_MAX || (uint64_t) array_size(pixels, 1) > UINT32_MAX) {
    %argument_fail(SWIG_OverflowError, "uint32_t", $symname, $argnum);
  }
  $1 = array_data(pixels);
  $2 = (uint32_t) array_size(pixels, 1);
  $3 = (uint32_t) array_size(pixels, 0);
  memory = (uint64_t) PyArray_NBYTES(pixels);
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER, fragment="NumPy_Fragments")
  (void *aBuffer, uint32_t aWidth, uint32_t aHeight) "$1 = is_array($input) || PySequence_Check($input);"
%feature("action") KyImage::Attach(void *, uint32_t, uint32_t, KyPixelType)
  "result = arg1->AttachSized(arg2, memory2, arg3, arg4, arg5);"
%feature("action") KyImage::Attach(void *, uint32_t, uint32_t, KyPixelType, uint16_t)
  "result = arg1->AttachSized(arg2, memory2, arg3, arg4, arg5, arg6);"
%feature("action") KyImage::Attach(void *, uint32_t, uint32_t, KyPixelType, uint16_t, uint16_t)
  "result = arg1->AttachSized(arg2, memory2, arg3, arg4, arg5, arg6, arg7);"
%feature("action") KyImage::Attach(void *, uint32_t, uint32_t, KyPixelType, uint16_t, uint16_t, uint32_t)
  "result = arg1->AttachSized(arg2, memory2, arg3, arg4, arg5, arg6, arg7, arg8);"

// Detach: the memory given back, shaped as the image that it held, never past the memory the
// buffer had before (read with the detach, the lock released).
%feature("action") KyImage::Detach {
  KyBuffer *owner = arg1->GetBuffer();
  detachedMemory = owner ? owner->GetSize() : 0;
  result = arg1->Detach();
}
%typemap(out, noblock=1) uint8_t *Detach (uint64_t detachedMemory = 0) {
  /* image detach: a view by the image shape rule */
  $result = KyPy_ImageView(arg1, $1, detachedMemory);
  if (!$result) SWIG_fail;
}
%include "ky/buffer/KyImage.h"
%typemap(out) uint8_t *Detach;
%clear (void *aBuffer, uint32_t aWidth, uint32_t aHeight);
