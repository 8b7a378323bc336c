// IKyImageJPEG: a JPEG or JPEG 2000 part of a multi-part payload, as compressed bytes and the
// values the device sent with them.
//
// Belongs to its multi-part section (IKyMultiPartSection::GetJPEG) and is valid while the section
// is; its memory is the section's memory.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

class KY_BUFFER_API IKyImageJPEG
{
public:
    /// Destructor.
    virtual ~IKyImageJPEG() = default;

    /// The compressed data, GetDataSize bytes.
    ///
    /// @return the first byte; null when the part has no memory
    virtual const uint8_t *GetDataPointer() const = 0;
    virtual uint8_t *GetDataPointer() = 0;
    /// The JPEG flags the device sent with the part.
    ///
    /// @return the flags
    virtual uint8_t GetFlag() const = 0;
    /// The frequency of the device's timestamp counter sent with the part.
    ///
    /// @return ticks per second
    virtual uint64_t GetTimestampTickFrequency() const = 0;
    /// The data format the device sent with the part.
    ///
    /// @return the format value
    virtual uint32_t GetDataFormat() const = 0;
    /// Bytes of compressed data.
    ///
    /// @return the byte count
    virtual uint64_t GetDataSize() const = 0;
};
