// IKyMultiPartSection: one part of a multi-part payload: its data type, sizes, memory and IDs,
// and the view that reads it (an image, a JPEG image or chunk data, by data type).
//
// Belongs to its container (IKyMultiPartContainerReader::GetPart) and is valid until the
// container's part index is reset or its buffer is destroyed. The views it hands out belong to
// it.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/buffer/IKyChunkData.h"
#include "ky/buffer/IKyImage.h"
#include "ky/buffer/IKyImageJPEG.h"

class KY_BUFFER_API IKyMultiPartSection
{
public:
    /// Destructor.
    virtual ~IKyMultiPartSection() = default;

    /// The part's memory, GetEffectiveSize bytes of data.
    ///
    /// @return the first byte; null when the part has no memory
    virtual const uint8_t *GetDataPointer() const = 0;
    virtual uint8_t *GetDataPointer() = 0;
    /// The part's maximum data size: an image at its maximum height, or the maximum length.
    ///
    /// @return bytes
    virtual uint32_t GetSize() const = 0;
    /// The part's effective data size: an image at its final height, or the final length.
    ///
    /// @return bytes
    virtual uint32_t GetEffectiveSize() const = 0;
    /// The kind of data the part carries.
    ///
    /// @return a KyMultiPartDataType value
    virtual KyMultiPartDataType GetDataType() const = 0;
    /// Whether the part is an image part (data types 1 to 9).
    ///
    /// @return true for an image part
    virtual bool IsImage() const = 0;
    /// Whether the part is a JPEG or JPEG 2000 part.
    ///
    /// @return true for a JPEG part
    virtual bool IsJPEG() const = 0;
    /// Whether the part is the chunk-data part.
    ///
    /// @return true for the chunk-data part
    virtual bool IsChunkData() const = 0;
    /// The image view of an image part, owned by the section.
    ///
    /// @return the image; null for any other part
    virtual IKyImage *GetImage() = 0;
    /// The JPEG view of a JPEG part, owned by the section.
    ///
    /// @return the JPEG image; null for any other part
    virtual IKyImageJPEG *GetJPEG() = 0;
    /// The chunk view of the chunk-data part, owned by the section.
    ///
    /// @return the chunk data; null for any other part
    virtual IKyChunkData *GetChunkData() = 0;
    /// The source ID of the part (which sensor or source it came from).
    ///
    /// @return the ID; 0 until set
    virtual uint32_t GetSourceID() const = 0;
    /// The data purpose ID of the part.
    ///
    /// @return the ID; 0 until set
    virtual uint32_t GetDataPurposeID() const = 0;
    /// The region ID of the part.
    ///
    /// @return the ID; 0 until set
    virtual uint32_t GetRegionID() const = 0;
    /// The number of zones of the part less one.
    ///
    /// @return the count; 0 until set
    virtual uint32_t GetAdditionalZones() const = 0;
    /// The direction of each zone: the most significant bit for zone 0, the next for zone 1 and so on; 0 is top-down, 1 bottom-up.
    ///
    /// @return the mask; 0 until set
    virtual uint32_t GetZoneDirectionMask() const = 0;
};
