// IKyH264AccessUnit: the H.264 payload of a KyBuffer (payload type KyPayloadTypeH264), one access
// unit in Annex B form (each NAL unit after a 00 00 00 01 start code), as an RTP stream delivers it.
//
// Belongs to its buffer (KyBuffer::GetH264AccessUnit) and views the buffer's memory: valid while
// the buffer exists and holds an H.264 payload.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

class KY_BUFFER_API IKyH264AccessUnit
{
public:
    virtual ~IKyH264AccessUnit() = default;

    /// The access unit's first byte.
    ///
    /// @return the buffer's memory; null when the buffer has none
    virtual const uint8_t *GetDataPointer() const = 0;
    virtual uint8_t *GetDataPointer() = 0;
    /// Bytes of the access unit that the buffer holds (the bytes received, never more than the buffer's size).
    ///
    /// @return the byte count
    virtual uint64_t GetDataSize() const = 0;
    /// The access unit's presentation time (the RTP timestamp, 90 kHz).
    ///
    /// @return the timestamp
    virtual uint64_t GetTimestamp() const = 0;
};
