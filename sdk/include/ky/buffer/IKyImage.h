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
    /// Destructor.
    virtual ~IKyImage() = default;

    /// The image's memory: GetImageSize bytes, lines of width + padding X pixels.
    ///
    /// @return the first byte; null when there is no memory
    virtual const uint8_t *GetDataPointer() const = 0;
    virtual uint8_t *GetDataPointer() = 0;
    /// Bytes of the image in memory, padding included.
    ///
    /// @return the byte count
    virtual uint32_t GetImageSize() const = 0;
    /// The width.
    ///
    /// @return pixels per line, padding not included
    virtual uint32_t GetWidth() const = 0;
    /// The height.
    ///
    /// @return lines, padding not included
    virtual uint32_t GetHeight() const = 0;
    /// The pixel type.
    ///
    /// @return a KyPixelType value
    virtual KyPixelType GetPixelType() const = 0;
    /// Bits one pixel takes.
    ///
    /// @return the bit count
    virtual uint32_t GetBitsPerPixel() const = 0;
    /// The horizontal offset of the image on the sensor.
    ///
    /// @return pixels
    virtual uint32_t GetOffsetX() const = 0;
    /// The vertical offset of the image on the sensor.
    ///
    /// @return lines
    virtual uint32_t GetOffsetY() const = 0;
    /// Pixels at the end of each line that are not part of the image.
    ///
    /// @return the padding in pixels
    virtual uint16_t GetPaddingX() const = 0;
    /// Lines after the image that are not part of it.
    ///
    /// @return the padding in lines
    virtual uint16_t GetPaddingY() const = 0;
    /// The ID of the block the image came in.
    ///
    /// @return the block ID
    virtual uint64_t GetBlockID() const = 0;
    /// The device's timestamp of the image.
    ///
    /// @return the timestamp in device ticks
    virtual uint64_t GetTimestamp() const = 0;
    /// When the image was complete: microseconds on the host's monotonic clock, not an absolute time.
    ///
    /// @return the reception time
    virtual uint64_t GetReceptionTime() const = 0;
};
