// SoftChunkFeatures: the chunk features of a stream channel whose source supports chunks, on
// its chunk registers (SoftChunkRegisters.h): ChunkModeActive, ChunkSelector (one entry per
// chunk type, valued by its ID) and ChunkEnable[ChunkSelector], locked while the controller
// streams (TLParamsLocked). A source without chunk types gets none of them.
#pragma once

#include <cstdint>
#include <vector>

#include "genapi/SoftFeatureTable.h"
#include "streaming/SoftSupportedChunks.h"

namespace ky::soft {

class SoftChunkFeatures
{
public:
    static void Append(uint32_t channel, const std::vector<SoftChunkType> &chunks, SoftFeatureTable &table);
};

}  // namespace ky::soft
