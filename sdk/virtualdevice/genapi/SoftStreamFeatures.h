// SoftStreamFeatures: the image-format and acquisition features of a stream channel as a feature
// table, on the channel's register block (SoftStreamRegisters.h). PixelFormat offers the pixel
// types the source lists (GetSupportedPixelType from index 0 until a failure); the chunk features follow when the source
// lists chunk types (SoftChunkFeatures.h).
#pragma once

#include <cstdint>

#include "genapi/SoftFeatureTable.h"

class IKyStreamingChannelSource;

namespace ky::soft {

class SoftStreamFeatures
{
public:
    static SoftFeatureTable Make(uint32_t channel, const IKyStreamingChannelSource &source);
};

}  // namespace ky::soft
