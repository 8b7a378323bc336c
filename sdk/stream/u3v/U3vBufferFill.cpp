#include "u3v/U3vBufferFill.h"

#include <algorithm>
#include <chrono>

#include "ky/base/KyEnums.h"
#include "ky/buffer/KyBuffer.h"

namespace ky::stream {

namespace {

uint32_t Clamp32(uint64_t value) { return static_cast<uint32_t>(std::min<uint64_t>(value, UINT32_MAX)); }

uint64_t NowMicroseconds()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

}  // namespace

uint32_t U3vBlockResultCode(u3v::U3vBlockStatus status)
{
    switch (status) {
    case u3v::U3vBlockStatus::Complete:
        return KY_OK;
    case u3v::U3vBlockStatus::Incomplete:
    case u3v::U3vBlockStatus::SizeMismatch:
        return KY_MISSING_PACKETS;
    case u3v::U3vBlockStatus::Overrun:
        return KY_BUFFER_TOO_SMALL;
    case u3v::U3vBlockStatus::DeviceError:
    case u3v::U3vBlockStatus::WrongBlockId:
        return KY_INVALID_DATA_FORMAT;
    }
    return KY_INVALID_DATA_FORMAT;
}

void FillBufferFromU3vBlock(const u3v::U3vBlock &block, KyBuffer &buffer)
{
    buffer.BeginAcquisition();
    const uint32_t code = U3vBlockResultCode(block.status);
    KyResult result = code == KY_OK ? KyResult()
                                    : KyResult(code, KyString(std::string("USB3 Vision block ") +
                                                              u3v::U3vBlockStatusName(block.status)));
    const u3v::U3vImageLeader &leader = block.leader;
    buffer.SetPayloadType(KyPayloadTypeImage);
    (void)buffer.SetTimestamp(leader.timestamp);  // a plain setter: cannot fail
    if (buffer.GetImage() != nullptr) {
        KyResult geometry =
            buffer.GetImage()->SetGeometry(static_cast<KyPixelType>(leader.pixelFormat), leader.width,
                                           leader.height, leader.offsetX, leader.offsetY, leader.paddingX, 0);
        if (geometry.IsFailure() && result.IsOK())
            result = geometry;
    }
    (void)buffer.SetBlockID(leader.blockId);  // a plain setter: cannot fail
    buffer.SetExtendedID(true);               // USB3 Vision block ids are 64 bits wide
    buffer.SetHeaderValid(true);
    buffer.SetTrailerValid(block.status != u3v::U3vBlockStatus::Incomplete);
    // Clamped to the buffer, so the setter cannot refuse it.
    (void)buffer.SetAcquiredSize(Clamp32(std::min<uint64_t>(block.received, buffer.GetSize())));
    const uint64_t announced =
        block.status == u3v::U3vBlockStatus::Incomplete ? 0 : block.trailer.validPayloadSize;
    buffer.SetRequiredSize(Clamp32(std::max<uint64_t>(block.received, announced)));
    (void)buffer.SetReceptionTime(NowMicroseconds());
    buffer.SetOperationResult(result);
}

void FillBufferWithoutBlock(KyBuffer &buffer, uint32_t code, const char *why)
{
    buffer.BeginAcquisition();
    buffer.SetHeaderValid(false);
    buffer.SetTrailerValid(false);
    (void)buffer.SetAcquiredSize(0);
    (void)buffer.SetReceptionTime(NowMicroseconds());
    buffer.SetOperationResult(KyResult(code, KyString(why)));
}

}  // namespace ky::stream
