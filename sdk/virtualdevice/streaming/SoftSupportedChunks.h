// SoftSupportedChunks: the chunk types a stream source supports, as the device lists them in
// ChunkSelector. The source is asked GetSupportedChunk from index 0 until a failure, at most
// MAX_SUPPORTED_CHUNKS times (the bound of the pixel-type enumeration): a source that always
// answers OK gives its first answers and no more. An ID or a name given twice is listed once
// (the first answer wins). A name that is not a GenICam name (a letter, then letters, digits and
// '_') is replaced by "Chunk" and the ID in hex, so that the device's XML stays loadable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class IKyStreamingChannelSource;

namespace ky::soft {

constexpr int MAX_SUPPORTED_CHUNKS = 256;

struct SoftChunkType
{
    uint32_t id = 0;
    std::string name;
};

// The source's calls are guarded: an exception ends the list like a failure.
std::vector<SoftChunkType> SupportedChunks(const IKyStreamingChannelSource &source);

}  // namespace ky::soft
