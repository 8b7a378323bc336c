// KyBufferConverterRGBFilter: a gain and an offset per colour, applied by KyBufferConverter.
//
// Per colour: new level = gain x level + offset, rounded to the nearest level and held within
// 0..255. A new filter (and Reset) has gains 1 and offsets 0, which leave an image unchanged.
#pragma once

#include "ky/buffer/KyBufferExport.h"

#include <cstdint>

#include "ky/base/KyResult.h"

class KyBuffer;

class KY_BUFFER_API KyBufferConverterRGBFilter
{
public:
    /// Constructor: gains 1, offsets 0.
    KyBufferConverterRGBFilter();
    /// Destructor.
    virtual ~KyBufferConverterRGBFilter();

    /// The red gain.
    ///
    /// @return the red gain
    double GetGainR() const { return mGainR; }
    /// The green gain.
    ///
    /// @return the green gain
    double GetGainG() const { return mGainG; }
    /// The blue gain.
    ///
    /// @return the blue gain
    double GetGainB() const { return mGainB; }
    /// Sets the red gain.
    ///
    /// @param[in] aValue the red gain
    void SetGainR(double aValue) { mGainR = aValue; }
    /// Sets the green gain.
    ///
    /// @param[in] aValue the green gain
    void SetGainG(double aValue) { mGainG = aValue; }
    /// Sets the blue gain.
    ///
    /// @param[in] aValue the blue gain
    void SetGainB(double aValue) { mGainB = aValue; }
    /// The red offset.
    ///
    /// @return the red offset
    int32_t GetOffsetR() const { return mOffsetR; }
    /// The green offset.
    ///
    /// @return the green offset
    int32_t GetOffsetG() const { return mOffsetG; }
    /// The blue offset.
    ///
    /// @return the blue offset
    int32_t GetOffsetB() const { return mOffsetB; }
    /// Sets the red offset.
    ///
    /// @param[in] aValue the red offset
    void SetOffsetR(int32_t aValue) { mOffsetR = aValue; }
    /// Sets the green offset.
    ///
    /// @param[in] aValue the green offset
    void SetOffsetG(int32_t aValue) { mOffsetG = aValue; }
    /// Sets the blue offset.
    ///
    /// @param[in] aValue the blue offset
    void SetOffsetB(int32_t aValue) { mOffsetB = aValue; }

    /// Sets the gains from a sample image: each colour's gain becomes the largest colour average divided by that colour's average; offsets are not changed.
    ///
    /// The image is the buffer's, of a colour or Bayer type the converter takes (KyBufferConverter.h; wider
    /// samples by their 8 high bits), mono types excluded.
    ///
    /// @param[in] aBuffer buffer holding the sample image
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER (gains unchanged) for a null buffer, no image,
    ///         another pixel type, or a colour whose average is 0
    KyResult WhiteBalance(KyBuffer *aBuffer);
    /// Gains 1 and offsets 0: the filter leaves images unchanged.
    void Reset();

    /// True when applying the filter changes nothing.
    bool IsIdentity() const;
    /// The filter as three lookup tables (red, green, blue) of 256 levels each.
    void MakeTables(uint8_t aRed[256], uint8_t aGreen[256], uint8_t aBlue[256]) const;

private:
    double mGainR = 1.0, mGainG = 1.0, mGainB = 1.0;
    int32_t mOffsetR = 0, mOffsetG = 0, mOffsetB = 0;
};
