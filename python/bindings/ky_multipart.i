// Multi-part payloads: the container of a buffer (KyBuffer_GetMultiPartContainer), which is
// both the reader of its parts and their writer, one section per part, and the JPEG view of a
// JPEG part. Every object is borrowed: the buffer owns its container, the container its
// sections, a section its image, JPEG and chunk views; none keeps its owner alive, and all stay
// valid while the buffer lives and its part index is not reset. Arrays handed out are views of
// the part's memory with no base object; a part with a size but no memory gives an empty array.
// Attached arrays stay the caller's: C-contiguous writeable uint8 arrays, kept alive while
// attached.

%{
#include "ky/buffer/IKyImageJPEG.h"
#include "ky/buffer/IKyMultiPartContainer.h"
#include "ky/buffer/IKyMultiPartContainerReader.h"
#include "ky/buffer/IKyMultiPartContainerWriter.h"
#include "ky/buffer/IKyMultiPartSection.h"
%}

class IKyMultiPartSection;

// Python never owns these objects: deleting one leaves it to its owner.
KY_DELETES_ONLY_OWNED(IKyMultiPartContainerReader)
KY_DELETES_ONLY_OWNED(IKyMultiPartContainerWriter)
KY_DELETES_ONLY_OWNED(IKyMultiPartContainer)
KY_DELETES_ONLY_OWNED(IKyImageJPEG)
KY_DELETES_ONLY_OWNED(IKyMultiPartSection)

// ----- IKyMultiPartContainerReader: both GetPart forms reach the non-const accessor.
%ignore IKyMultiPartContainerReader::HasChunkPart;
%ignore IKyMultiPartContainerReader::GetTotalEffectiveSize;
%feature("action") IKyMultiPartContainerReader::GetPart(uint32_t) const
  "result = (IKyMultiPartSection *) const_cast<IKyMultiPartContainerReader *>(arg1)->GetPart(arg2);"
%include "ky/buffer/IKyMultiPartContainerReader.h"

// ----- IKyMultiPartContainerWriter
// AttachPart: a one-dimensional uint8 array of any length, used in place (an array numpy would
// have to convert is refused with TypeError, as every attachment of the module); its element
// count crosses as a signed 32-bit number, so an array of 2^31 bytes or more raises
// OverflowError and nothing is attached.
%typemap(in, noblock=1) (uint8_t *aBuffer, uint64_t aLength) (PyArrayObject *array = NULL) {
  /* multi-part attach: the caller's array, in place */
  array = KyPy_AttachArray($input, 1, 1, NULL);
  if (!array) SWIG_fail;
  if ((uint64_t) array_size(array, 0) > (uint64_t) INT32_MAX) {
    %argument_fail(SWIG_OverflowError, "int32_t", $symname, $argnum);
  }
  $1 = (uint8_t *) array_data(array);
  $2 = (uint64_t) (int32_t) array_size(array, 0);
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_POINTER, fragment="NumPy_Fragments")
  (uint8_t *aBuffer, uint64_t aLength) "$1 = is_array($input) || PySequence_Check($input);"
%include "ky/buffer/IKyMultiPartContainerWriter.h"
%clear (uint8_t *aBuffer, uint64_t aLength);

// ----- IKyMultiPartContainer
%include "ky/buffer/IKyMultiPartContainer.h"

// ----- IKyImageJPEG: both GetDataPointer forms call the non-const accessor (the lock released),
// then GetDataSize with the lock held.
%feature("action") IKyImageJPEG::GetDataPointer() const
  "result = (uint8_t *) const_cast<IKyImageJPEG *>(arg1)->GetDataPointer();"
%typemap(out, noblock=1) uint8_t *GetDataPointer, const uint8_t *GetDataPointer {
  /* JPEG data: a view of GetDataSize bytes */
  $result = KyPy_ByteView((const void *) $1, $1 ? arg1->GetDataSize() : 0);
  if (!$result) SWIG_fail;
}
%include "ky/buffer/IKyImageJPEG.h"
%typemap(out) uint8_t *GetDataPointer;
%typemap(out) const uint8_t *GetDataPointer;

// ----- IKyMultiPartSection: the same for its data, GetEffectiveSize bytes; the three kind
// questions are the SDK's own business.
%ignore IKyMultiPartSection::IsImage;
%ignore IKyMultiPartSection::IsJPEG;
%ignore IKyMultiPartSection::IsChunkData;
%feature("action") IKyMultiPartSection::GetDataPointer() const
  "result = (uint8_t *) const_cast<IKyMultiPartSection *>(arg1)->GetDataPointer();"
%typemap(out, noblock=1) uint8_t *GetDataPointer, const uint8_t *GetDataPointer {
  /* section data: a view of GetEffectiveSize bytes */
  $result = KyPy_ByteView((const void *) $1, $1 ? arg1->GetEffectiveSize() : 0);
  if (!$result) SWIG_fail;
}
%include "ky/buffer/IKyMultiPartSection.h"
%typemap(out) uint8_t *GetDataPointer;
%typemap(out) const uint8_t *GetDataPointer;
