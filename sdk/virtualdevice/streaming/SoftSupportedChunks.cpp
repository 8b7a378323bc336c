#include "streaming/SoftSupportedChunks.h"

#include <cctype>
#include <cstdio>
#include <set>

#include "ky/Guarded.h"
#include "ky/virtualdevice/IKyStreamingChannelSource.h"
#include "SoftLog.h"

namespace ky::soft {

namespace {

bool IsGenICamName(const std::string &name)
{
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) {
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') {
            return false;
        }
    }
    return true;
}

std::string NameForId(uint32_t id)
{
    char text[24];
    std::snprintf(text, sizeof text, "Chunk%08X", id);
    return text;
}

}  // namespace

std::vector<SoftChunkType> SupportedChunks(const IKyStreamingChannelSource &source)
{
    std::vector<SoftChunkType> chunks;
    std::set<uint32_t> ids;
    std::set<std::string> names;
    for (int index = 0; index < MAX_SUPPORTED_CHUNKS; ++index) {
        uint32_t id = 0;
        KyString name;
        const KyResult result = ky::base::Guarded(SoftDeviceLog(), "GetSupportedChunk",
                                                  [&] { return source.GetSupportedChunk(index, id, name); });
        if (result.IsFailure()) {
            break;
        }
        std::string text = name.GetAscii() != nullptr ? name.GetAscii() : "";
        if (!IsGenICamName(text)) {
            SoftLog("SoftDevice", "chunk 0x%08X: \"%s\" is not a feature name; listed as %s", id,
                    text.c_str(), NameForId(id).c_str());
            text = NameForId(id);
        }
        if (ids.count(id) == 0 && names.count(text) == 0) {
            ids.insert(id);
            names.insert(text);
            chunks.push_back(SoftChunkType{id, text});
        }
    }
    return chunks;
}

}  // namespace ky::soft
