// KyBuffer: acquisition memory and what was received into it. new_KyBuffer makes an owned buffer
// (destroyed with its Python object); buffers handed out by streams, pipelines and images are
// borrowed. Two objects over one native buffer compare equal and hash alike, so a retrieved
// buffer finds the caller's own object. Memory comes out as views (no copy); an attached array
// stays the caller's, in place, until Detach, Free, Reset or the buffer's end.

%{
#include "ky/buffer/KyBuffer.h"
%}

%fragment("KyPy_BufferView", "header", fragment="KyPy_BufferArrays") %{
// A buffer's memory: shaped as an image where the buffer object is one, else one byte per
// element, never past the memory's bytes.
SWIGINTERN PyObject *KyPy_BufferView(KyBuffer *buffer, void *data, uint64_t memory)
{
    if (IKyImage *image = dynamic_cast<IKyImage *>(buffer))
        return KyPy_ImageView(image, data, memory);
    return KyPy_ByteView(data, memory);
}

// Identity of a buffer argument: 1 when equal, 0 when not, -1 when other is no buffer.
SWIGINTERN int KyPy_BufferEquals(KyBuffer *self, PyObject *other)
{
    void *ptr = 0;
    if (!SWIG_IsOK(SWIG_ConvertPtr(other, &ptr, SWIG_TypeQuery("KyBuffer *"), 0)))
        return -1;
    return static_cast<KyBuffer *>(ptr) == self;
}
%}

// A retrieved buffer stays its owner's.
KY_DELETES_ONLY_OWNED(KyBuffer)

// The receiver's side of a buffer is the SDK's own business.
%ignore KyBufferPacketStatistics;
%ignore ky::buffer::BufferHolder;
%ignore KyBuffer::kMainChunkID;
%ignore KyBuffer::BeginAcquisition;
%ignore KyBuffer::SetPayloadType;
%ignore KyBuffer::SetOperationResult;
%ignore KyBuffer::SetAcquiredSize;
%ignore KyBuffer::SetRequiredSize;
%ignore KyBuffer::SetExtendedID;
%ignore KyBuffer::SetHeaderValid;
%ignore KyBuffer::SetTrailerValid;
%ignore KyBuffer::SetLargeLeaderTrailerEnabled;
%ignore KyBuffer::SetPacketStatistics;
%ignore KyBuffer::GetPacketStatistics;
%ignore KyBuffer::AddMissingPacketIds;
%ignore KyBuffer::ClearMissingPacketIds;
%ignore KyBuffer::ParseChunks;
%ignore KyBuffer::SetHolder;
%ignore KyBuffer::GetHolder;
%ignore KyBuffer::MultiPartContainer;

// Memory: a view of the whole memory (GetSize read after the address, the lock held).
%typemap(out, noblock=1, fragment="KyPy_BufferView") uint8_t *GetDataPointer, const uint8_t *GetDataPointer {
  /* buffer memory: a view */
  $result = KyPy_BufferView(arg1, (void *) $1, arg1->GetSize());
  if (!$result) SWIG_fail;
}
%apply (void *KY_ATTACH, uint32_t KY_ATTACH_SIZE) { (void *aBuffer, uint32_t aSize) };
// Detach: a view of the memory given back, as long as it was (read with the detach).
%feature("action") KyBuffer::Detach {
  detachedMemory = arg1->GetSize();
  result = arg1->Detach();
}
%typemap(out, noblock=1, fragment="KyPy_BufferView") uint8_t *Detach (uint64_t detachedMemory = 0) {
  /* buffer detach: a view of the memory given back */
  $result = KyPy_BufferView(arg1, $1, detachedMemory);
  if (!$result) SWIG_fail;
}
%apply uint32_t &KY_OUT_ZERO { uint32_t &aCount, uint32_t &aFirst, uint32_t &aLast };

// Identity: the native address.
%nothread KyBuffer::__eq__;
%nothread KyBuffer::__hash__;
%feature("python:maybecall") KyBuffer::__eq__;
%extend KyBuffer {
  PyObject *__eq__(PyObject *other) {
    return KyPy_ComparisonResult(KyPy_BufferEquals($self, other));
  }
  long long __hash__() {
    return static_cast<long long>(reinterpret_cast<intptr_t>($self));
  }
}
%include "ky/buffer/KyBuffer.h"
%typemap(out) uint8_t *GetDataPointer;
%typemap(out) const uint8_t *GetDataPointer;
%typemap(out) uint8_t *Detach;
%clear (void *aBuffer, uint32_t aSize);
%clear uint32_t &aCount, uint32_t &aFirst, uint32_t &aLast;
%clear (const uint8_t *aData, uint32_t aLength);
%clear uint32_t &aID;
