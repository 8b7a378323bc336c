// IKyMultiPartContainerWriter: builds a multi-part payload for transmission: defines its parts,
// gives them memory, confirms their final sizes and checks the whole before it is sent.
//
// Parts are defined in order: image and JPEG parts, then at most one chunk-data part, which
// stays the last. Memory comes from one allocation for all parts (AllocAllParts), from one
// allocation per part (AllocPart) or from the caller (AttachPart, kept alive by the caller while
// attached).
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "ky/buffer/IKyMultiPartContainerReader.h"

class KY_BUFFER_API IKyMultiPartContainerWriter : public IKyMultiPartContainerReader
{
public:
    /// Destructor.
    ~IKyMultiPartContainerWriter() override = default;

    /// Empties the part index: no parts, their memory released (attached memory forgotten).
    virtual void Reset() = 0;
    /// Defines an image part; its height starts as the maximum height.
    ///
    /// @param[in] aDataType an image data type (KyMultiPart2DImage to KyMultiPartConfidenceMap)
    /// @param[in] aWidth pixels per line
    /// @param[in] aMaxHeight the most lines the part can hold
    /// @param[in] aPixelType a KyPixelType value
    /// @param[in] aOffsetX the horizontal offset on the sensor
    /// @param[in] aOffsetY the vertical offset on the sensor
    /// @param[in] aPaddingX pixels after each line
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for another data type, a zero width or height or an
    /// unknown pixel size; KY_ERR_OVERFLOW when the part limit is reached or the part does not fit
    /// 32 bits; KY_STATE_ERROR after the chunk-data part; KY_NOT_SUPPORTED when the buffer is not
    /// a multi-part buffer
    virtual KyResult AddImagePart(KyMultiPartDataType aDataType, uint32_t aWidth, uint32_t aMaxHeight,
                                  KyPixelType aPixelType, uint32_t aOffsetX = 0, uint32_t aOffsetY = 0,
                                  uint16_t aPaddingX = 0) = 0;
    /// Defines a JPEG or JPEG 2000 part; its length starts as the maximum length.
    ///
    /// @param[in] aDataType KyMultiPartJPEGImage or KyMultiPartJPEG2000Image
    /// @param[in] aMaxLength the most bytes of compressed data
    /// @param[in] aFlag the JPEG flags sent with the part
    /// @param[in] aTimestampTickFrequency the frequency of the timestamp counter
    /// @param[in] aDataFormat the data format sent with the part
    ///
    /// @return as AddImagePart; KY_INVALID_PARAMETER for a maximum length of 0
    virtual KyResult AddJPEGPart(KyMultiPartDataType aDataType, uint32_t aMaxLength, uint8_t aFlag,
                                 uint64_t aTimestampTickFrequency, uint32_t aDataFormat) = 0;
    /// Defines the chunk-data part, which stays the last part; at most one.
    ///
    /// @param[in] aMaxLength the most bytes of chunk data, trailers included
    /// @param[in] aChunkLayoutID the chunk layout ID
    ///
    /// @return as AddImagePart; KY_STATE_ERROR when there is already a chunk-data part
    virtual KyResult AddChunkPart(uint32_t aMaxLength, uint32_t aChunkLayoutID) = 0;
    /// Sets the IDs of a part (all 0 until set).
    ///
    /// @param[in] aIndex the part, from 0
    /// @param[in] aSourceID the source ID
    /// @param[in] aDataPurposeID the data purpose ID
    /// @param[in] aRegionID the region ID
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for an index out of range; KY_INVALID_DATA_FORMAT for
    /// the chunk-data part or a buffer that is not a multi-part buffer
    virtual KyResult SetPartIDs(uint32_t aIndex, uint32_t aSourceID, uint32_t aDataPurposeID,
                                uint32_t aRegionID) = 0;
    /// Sets the zone information of a part (both 0 until set).
    ///
    /// @param[in] aIndex the part, from 0
    /// @param[in] aAdditionalZones the number of zones less one
    /// @param[in] aZoneDirectionMask the direction of each zone, zone 0 in the most significant bit
    ///
    /// @return as SetPartIDs
    virtual KyResult SetPartZoneInfo(uint32_t aIndex, uint8_t aAdditionalZones,
                                     uint32_t aZoneDirectionMask) = 0;
    /// Gives all parts one contiguous allocation, the buffer's own memory; memory given to parts before is freed or, when attached, forgotten.
    ///
    /// @return KY_OK; KY_STATE_ERROR without parts; KY_ERR_OVERFLOW when the parts together do not
    /// fit 32 bits; KY_NOT_ENOUGH_MEMORY
    virtual KyResult AllocAllParts() = 0;
    /// Gives one part memory of its own (its maximum size).
    ///
    /// @param[in] aIndex the part, from 0
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for an index out of range; KY_NOT_ENOUGH_MEMORY
    virtual KyResult AllocPart(uint32_t aIndex) = 0;
    /// Gives one part the caller's memory, which the caller keeps alive and in place while it is attached (until the next AllocAllParts, AllocPart of that part, Reset or the buffer's destruction).
    ///
    /// @param[in] aIndex the part, from 0
    /// @param[in] aBuffer the memory
    /// @param[in] aLength its bytes, at least the part's maximum size
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for an index out of range, no memory or memory smaller
    /// than the part
    virtual KyResult AttachPart(uint32_t aIndex, uint8_t *aBuffer, uint64_t aLength) = 0;
    /// Confirms the length of a JPEG or chunk-data part.
    ///
    /// @param[in] aIndex the part, from 0
    /// @param[in] aLength bytes, at most the maximum length
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for an index out of range, an image part or a length
    /// above the maximum
    virtual KyResult SetPartFinalLength(uint32_t aIndex, uint32_t aLength) = 0;
    /// Confirms the height of an image part.
    ///
    /// @param[in] aIndex the part, from 0
    /// @param[in] aHeight lines, at most the maximum height
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for an index out of range, a part that is not an image
    /// or a height above the maximum
    virtual KyResult SetPartFinalImageHeight(uint32_t aIndex, uint32_t aHeight) = 0;
    /// Checks the payload before it is sent: at least one part, each with memory for its size, the chunk-data part last.
    ///
    /// @return KY_OK; KY_STATE_ERROR without parts or for a part without memory; KY_NOT_SUPPORTED
    /// when the buffer is not a multi-part buffer
    virtual KyResult Validate() = 0;
};
