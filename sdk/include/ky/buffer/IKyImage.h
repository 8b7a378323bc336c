// IKyImage: read access to an image, its geometry and its identity.
//
// Padding X and padding Y count pixels and lines: a line of memory holds width + padding X
// pixels and the image holds height + padding Y lines. Sizes are in bytes.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"

class KY_BUFFER_API IKyImage
{
public:
    virtual ~IKyImage() = default;

    // The first byte of the image; null when there is no memory.
    virtual const uint8_t *GetDataPointer() const = 0;
    virtual uint8_t *GetDataPointer() = 0;
    // Bytes of the image in memory, padding included.
    virtual uint32_t GetImageSize() const = 0;
    virtual uint32_t GetWidth() const = 0;
    virtual uint32_t GetHeight() const = 0;
    virtual KyPixelType GetPixelType() const = 0;
    virtual uint32_t GetBitsPerPixel() const = 0;
    virtual uint32_t GetOffsetX() const = 0;
    virtual uint32_t GetOffsetY() const = 0;
    virtual uint16_t GetPaddingX() const = 0;
    virtual uint16_t GetPaddingY() const = 0;
    virtual uint64_t GetBlockID() const = 0;
    virtual uint64_t GetTimestamp() const = 0;
    // Microseconds on the host's monotonic clock, not an absolute time.
    virtual uint64_t GetReceptionTime() const = 0;
};
