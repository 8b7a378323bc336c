#include "registers/SoftChunkRegisters.h"

#include <memory>
#include <string>

#include "ky/Guarded.h"
#include "SoftLog.h"
#include "registers/SoftRegisterMap.h"
#include "streaming/SoftStreamChannel.h"

namespace ky::soft {

namespace {

KyResult Busy(const char *name)
{
    return KyResult(KY_BUSY, KyString(std::string(name) + " cannot change while the channel streams"));
}

KyResult NotBoolean(const char *name, uint32_t value)
{
    return KyResult(KY_INVALID_PARAMETER,
                    KyString(std::string(name) + " " + std::to_string(value) + " is neither 0 nor 1"));
}

}  // namespace

KyResult SoftChunkRegisters::AddRegisters(const std::vector<SoftChunkType> &chunks)
{
    if (chunks.empty()) {
        return KyResult(KY_OK);
    }
    KyResult status(KY_OK);
    SoftStreamChannel &channel = mChannel;
    IKyStreamingChannelSource &source = channel.Source();
    const uint32_t index = channel.Index();
    auto add = [&](uint32_t offset, const char *name) {
        return mMap.AddNew(KyString(std::string(name) + std::to_string(index)),
                           ChunkRegisterAddress(index, offset), 4, KyGenAccessModeReadWrite, false, status);
    };
    SoftRegister *mode = add(CHUNK_MODE_ACTIVE_OFFSET, "ChunkModeActive");
    SoftRegister *selector = add(CHUNK_SELECTOR_OFFSET, "ChunkSelector");
    SoftRegister *enable = add(CHUNK_ENABLE_OFFSET, "ChunkEnable");
    if (mode == nullptr || selector == nullptr || enable == nullptr) {
        return status.IsFailure()
                   ? status
                   : KyResult(KY_GENERIC_ERROR, KyString("stream channel " + std::to_string(index) +
                                                         " has no room for its chunk registers"));
    }
    mode->SetHooks(
        [&source](SoftRegister &r) {
            ky::base::Guarded(SoftDeviceLog(), "GetChunkModeActive",
                              [&] { r.SetRawU32(source.GetChunkModeActive() ? 1 : 0); });
        },
        [&channel, &source](SoftRegister &r) {
            const uint32_t value = r.GetRawU32();
            if (value > 1) {
                return NotBoolean("ChunkModeActive", value);
            }
            if (channel.IsStreaming()) {
                return Busy("ChunkModeActive");
            }
            return ky::base::Guarded(SoftDeviceLog(), "SetChunkModeActive",
                                     [&] { return source.SetChunkModeActive(value != 0); });
        },
        nullptr);

    auto ids = std::make_shared<std::vector<uint32_t>>();
    for (const SoftChunkType &chunk : chunks) {
        ids->push_back(chunk.id);
    }
    selector->SetRawU32(chunks.front().id);
    selector->SetHooks(
        nullptr,
        [ids](SoftRegister &r) {
            const uint32_t value = r.GetRawU32();
            for (uint32_t id : *ids) {
                if (id == value) {
                    return KyResult(KY_OK);
                }
            }
            return KyResult(KY_INVALID_PARAMETER, KyString("ChunkSelector " + std::to_string(value) +
                                                           " is not a supported chunk ID"));
        },
        nullptr);

    // The selector's value is read when ChunkEnable is: a selector write between the two is
    // the controller's own race, as on any camera.
    enable->SetHooks(
        [&source, selector](SoftRegister &r) {
            const uint32_t id = selector->GetRawU32();
            ky::base::Guarded(SoftDeviceLog(), "GetChunkEnable",
                              [&] { r.SetRawU32(source.GetChunkEnable(id) ? 1 : 0); });
        },
        [&channel, &source, selector](SoftRegister &r) {
            const uint32_t value = r.GetRawU32();
            if (value > 1) {
                return NotBoolean("ChunkEnable", value);
            }
            if (channel.IsStreaming()) {
                return Busy("ChunkEnable");
            }
            const uint32_t id = selector->GetRawU32();
            return ky::base::Guarded(SoftDeviceLog(), "SetChunkEnable",
                                     [&] { return source.SetChunkEnable(id, value != 0); });
        },
        nullptr);
    return status;
}

}  // namespace ky::soft
