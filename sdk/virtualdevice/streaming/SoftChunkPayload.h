// SoftChunkPayload: the payload of an image that carries chunks, as a stream channel sends it:
// the image, tagged as the first chunk (ID KyBuffer::kMainChunkID and its length, 4 bytes each,
// big-endian), then each chunk the source appended to the buffer (AddChunk), its data followed
// by its ID and length. Receivers find the chunks by walking these tags back from the end.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class KyBuffer;
class KyImage;

namespace ky::soft {

// The bytes such a payload takes: the image, its tag, and every chunk with its tag.
uint64_t ChunkPayloadSize(const KyImage &image, KyBuffer &buffer);

// The payload itself, or null when it does not fit in memory.
std::shared_ptr<const std::vector<uint8_t>> MakeChunkPayload(const KyImage &image, KyBuffer &buffer);

}  // namespace ky::soft
