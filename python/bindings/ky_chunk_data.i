// Chunk data and raw data: the chunk interface of a payload (IKyChunkData, which a KyBuffer and a
// KyChunkData are too), the chunk-only payload (KyChunkData) and the raw-data payload
// (KyRawData). Objects come borrowed from their buffer and never destroy it; the arrays they
// hand out are views of the buffer's memory, valid while that memory stays. Attached arrays
// stay the caller's: they must be C-contiguous writeable uint8 arrays, kept alive until detached.

%{
#include "ky/buffer/IKyChunkData.h"
#include "ky/buffer/KyChunkData.h"
#include "ky/buffer/KyRawData.h"
%}

// Python never owns these views: deleting one leaves it to its buffer.
KY_DELETES_ONLY_OWNED(IKyChunkData)
KY_DELETES_ONLY_OWNED(KyChunkData)
KY_DELETES_ONLY_OWNED(KyRawData)

%include "ky/buffer/KyBufferExport.h"

// ----- IKyChunkData
%apply (const uint8_t *KY_CHUNK_BYTES, uint32_t KY_CHUNK_BYTES_SIZE) { (const uint8_t *aData, uint32_t aLength) };
%apply uint32_t &KY_OUT_ZERO { uint32_t &aID };
%include "ky/buffer/IKyChunkData.h"

// ----- KyChunkData: the chunk operations are reached through IKyChunkData_ (a KyChunkData
// converts to it); the receiver's setter is the SDK's own business.
%ignore KyChunkData::ResetChunks;
%ignore KyChunkData::AddChunk;
%ignore KyChunkData::SetChunkLayoutID;
%ignore KyChunkData::HasChunks;
%ignore KyChunkData::GetChunkCount;
%ignore KyChunkData::GetChunkIDByIndex;
%ignore KyChunkData::GetChunkSizeByIndex;
%ignore KyChunkData::GetChunkSizeByID;
%ignore KyChunkData::GetChunkRawDataByIndex;
%ignore KyChunkData::GetChunkRawDataByID;
%ignore KyChunkData::GetChunkLayoutID;
%ignore KyChunkData::GetChunkDataSize;
%ignore KyChunkData::GetChunkDataCapacity;
%ignore KyChunkData::SetChunkDataPayloadLength;
%apply (void *KY_ATTACH, uint32_t KY_ATTACH_SIZE) { (void *aBuffer, uint32_t aLength) };
// The memory given back, as long as the payload it held (never longer than that memory).
%typemap(out, noblock=1) uint8_t *Detach {
  /* KyChunkData detach: a view of the memory given back */
  $result = KyPy_ByteView($1, arg1->GetChunkDataPayloadLength());
  if (!$result) SWIG_fail;
}
%include "ky/buffer/KyChunkData.h"
%clear (void *aBuffer, uint32_t aLength);

// ----- KyRawData
%ignore KyRawData::SetPayloadLength;
%apply (void *KY_ATTACH, uint64_t KY_ATTACH_SIZE) { (void *aRawBuffer, uint64_t aLength) };
%typemap(out, noblock=1) uint8_t *Detach {
  /* KyRawData detach: a view of the memory given back */
  $result = KyPy_ByteView($1, arg1->GetPayloadLength());
  if (!$result) SWIG_fail;
}
%include "ky/buffer/KyRawData.h"
%typemap(out) uint8_t *Detach;
%clear (void *aRawBuffer, uint64_t aLength);
