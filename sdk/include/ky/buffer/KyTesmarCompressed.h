// KyTesmarCompressed: the compressed-image payload of a KyBuffer (payload type
// KyPayloadTypeTesmarCompressed), as KyCompressionFilter makes it and KyDecompressionFilter reads
// it (the format is described in the README, "Compressed images").
//
// Belongs to its buffer (KyBuffer::GetTesmarCompressed) and views the buffer's memory: valid
// while the buffer exists and holds a compressed payload.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

class KyBuffer;

class KY_BUFFER_API KyTesmarCompressed
{
public:
    virtual ~KyTesmarCompressed();
    KyTesmarCompressed(const KyTesmarCompressed &) = delete;
    KyTesmarCompressed &operator=(const KyTesmarCompressed &) = delete;

    /// The compressed bytes' first byte.
    ///
    /// @return the buffer's memory; null when the buffer has none
    virtual const uint8_t *GetDataPointer() const;
    virtual uint8_t *GetDataPointer();
    /// Compressed bytes the buffer holds: what a filter or a stream placed in it, or, for memory a program filled itself, the buffer's whole size.
    ///
    /// @return the byte count
    virtual uint64_t GetDataSize() const;

private:
    friend class KyBuffer;
    explicit KyTesmarCompressed(KyBuffer &aBuffer) : mBuffer(aBuffer) { }

    KyBuffer &mBuffer;
};
