// SoftChunkRegisters: the chunk registers of a stream channel whose source supports chunks, in
// the channel's register block (SoftStreamRegisters.h), apart from its format and acquisition
// registers:
//
//   +0x80 ChunkModeActive  RW  source GetChunkModeActive / SetChunkModeActive (0 or 1)
//   +0x84 ChunkSelector    RW  the ID of a chunk type the source supports (first one at start)
//   +0x88 ChunkEnable      RW  source GetChunkEnable / SetChunkEnable of the selected chunk (0 or 1)
//
// Writes of ChunkModeActive and ChunkEnable while the channel streams are refused with KY_BUSY
// (the chunks make the PayloadSize the receivers sized their buffers by); a value the source
// refuses gives its result and the register keeps its former value. A selector value that is
// not a supported chunk ID, or a value other than 0 and 1, is KY_INVALID_PARAMETER. A source
// without chunk types gets none of these registers.
#pragma once

#include <cstdint>
#include <vector>

#include "ky/base/KyResult.h"
#include "registers/SoftStreamRegisters.h"
#include "streaming/SoftSupportedChunks.h"

namespace ky::soft {

class SoftRegisterMap;
class SoftStreamChannel;

constexpr uint32_t CHUNK_MODE_ACTIVE_OFFSET = 0x80;
constexpr uint32_t CHUNK_SELECTOR_OFFSET = 0x84;
constexpr uint32_t CHUNK_ENABLE_OFFSET = 0x88;

constexpr uint32_t ChunkRegisterAddress(uint32_t channel, uint32_t offset)
{
    return STREAM_FEATURES_BASE + channel * STREAM_FEATURES_STRIDE + offset;
}

class SoftChunkRegisters
{
public:
    SoftChunkRegisters(SoftRegisterMap &map, SoftStreamChannel &channel) : mMap(map), mChannel(channel) { }

    // Adds the channel's chunk registers for these chunk types (nothing when there are none).
    KyResult AddRegisters(const std::vector<SoftChunkType> &chunks);

private:
    SoftRegisterMap &mMap;
    SoftStreamChannel &mChannel;
};

}  // namespace ky::soft
