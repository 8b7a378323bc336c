#include "genapi/SoftChunkFeatures.h"

#include "registers/SoftChunkRegisters.h"

namespace ky::soft {

namespace {

using Kind = SoftFeatureKind;

const char CHUNKS[] = "ChunkDataControl";
const char LOCK[] = "TLParamsLocked";  // set by controllers while they stream

}  // namespace

void SoftChunkFeatures::Append(uint32_t channel, const std::vector<SoftChunkType> &chunks,
                               SoftFeatureTable &table)
{
    if (chunks.empty()) {
        return;
    }
    std::vector<SoftFeature> &f = table.features;
    f.push_back(SoftFeature::OnRegister(Kind::Boolean, "ChunkModeActive",
                                        ChunkRegisterAddress(channel, CHUNK_MODE_ACTIVE_OFFSET))
                    .In(CHUNKS)
                    .Locked(LOCK)
                    .Vis("Expert")
                    .Tip("Activates the inclusion of chunk data in the payload of the image."));
    SoftFeature selector = SoftFeature::OnRegister(Kind::Enumeration, "ChunkSelector",
                                                   ChunkRegisterAddress(channel, CHUNK_SELECTOR_OFFSET))
                               .In(CHUNKS)
                               .Vis("Expert")
                               .Selects("ChunkEnable")
                               .Tip("Selects which chunk to enable or control.");
    for (const SoftChunkType &chunk : chunks) {
        selector.Entry(chunk.name, chunk.id);
    }
    f.push_back(selector);
    f.push_back(SoftFeature::OnRegister(Kind::Boolean, "ChunkEnable",
                                        ChunkRegisterAddress(channel, CHUNK_ENABLE_OFFSET))
                    .In(CHUNKS)
                    .Locked(LOCK)
                    .Vis("Expert")
                    .Tip("Enables the inclusion of the selected chunk data in the payload of the image."));
}

}  // namespace ky::soft
