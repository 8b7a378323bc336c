#include "u3v/U3vStreamSetup.h"

#include <string>

#include "u3v/LittleEndian.h"

namespace ky::stream {

namespace {

// Leaders and trailers larger than this are refused: the receiver would have to hold them.
constexpr uint32_t kMostHeaderSize = 64 * 1024;
constexpr uint32_t kMostAlignmentShift = 20;

}  // namespace

KyResult EnableStreamInterface(u3v::U3vControlClient &control, uint64_t sirmAddress, uint32_t maxTransfers,
                               u3v::U3vStreamLayout &layout, uint64_t &payloadSize,
                               const std::function<void()> &beforeEnable)
{
    uint8_t sirm[u3v::SIRM_MAXIMUM_LEADER_SIZE_OFFSET] = {};
    KyResult result = control.ReadMemory(sirmAddress, sirm, sizeof sirm);
    if (result.IsFailure())
        return result;
    if ((u3v::Le32(sirm + u3v::SIRM_CONTROL_OFFSET) & u3v::SIRM_CONTROL_STREAM_ENABLE) != 0)
        return KyResult(KY_BUSY, KyString("another receiver streams from the device's stream interface"));
    const uint32_t shift = u3v::Le32(sirm + u3v::SIRM_INFO_OFFSET) >> u3v::SIRM_INFO_ALIGNMENT_SHIFT;
    const uint32_t leader = u3v::Le32(sirm + u3v::SIRM_REQUIRED_LEADER_SIZE_OFFSET);
    const uint32_t trailer = u3v::Le32(sirm + u3v::SIRM_REQUIRED_TRAILER_SIZE_OFFSET);
    payloadSize = u3v::Le64(sirm + u3v::SIRM_REQUIRED_PAYLOAD_SIZE_OFFSET);
    if (shift > kMostAlignmentShift || leader > kMostHeaderSize || trailer > kMostHeaderSize ||
        payloadSize > UINT32_MAX)
        return KyResult(KY_GENERIC_ERROR,
                        KyString("the device's stream interface asks for sizes this receiver does not take"));
    layout = u3v::PlanStreamLayout(payloadSize, maxTransfers, 1u << shift, leader, trailer);
    constexpr uint64_t first = u3v::SIRM_MAXIMUM_LEADER_SIZE_OFFSET;
    uint8_t words[u3v::SIRM_MAXIMUM_TRAILER_SIZE_OFFSET + 4 - first];
    u3v::PutLe32(words + (u3v::SIRM_MAXIMUM_LEADER_SIZE_OFFSET - first), layout.maximumLeaderSize);
    u3v::PutLe32(words + (u3v::SIRM_PAYLOAD_TRANSFER_SIZE_OFFSET - first), layout.transferSize);
    u3v::PutLe32(words + (u3v::SIRM_PAYLOAD_TRANSFER_COUNT_OFFSET - first), layout.transferCount);
    u3v::PutLe32(words + (u3v::SIRM_PAYLOAD_FINAL_TRANSFER1_OFFSET - first), layout.finalTransfer1Size);
    u3v::PutLe32(words + (u3v::SIRM_PAYLOAD_FINAL_TRANSFER2_OFFSET - first), layout.finalTransfer2Size);
    u3v::PutLe32(words + (u3v::SIRM_MAXIMUM_TRAILER_SIZE_OFFSET - first), layout.maximumTrailerSize);
    result = control.WriteMemory(sirmAddress + u3v::SIRM_MAXIMUM_LEADER_SIZE_OFFSET, words, sizeof words);
    if (result.IsFailure())
        return result;
    if (beforeEnable)
        beforeEnable();
    uint8_t enable[4];
    u3v::PutLe32(enable, u3v::SIRM_CONTROL_STREAM_ENABLE);
    return control.WriteMemory(sirmAddress + u3v::SIRM_CONTROL_OFFSET, enable, sizeof enable);
}

KyResult DisableStreamInterface(u3v::U3vControlClient &control, uint64_t sirmAddress)
{
    uint8_t disable[4] = {};
    return control.WriteMemory(sirmAddress + u3v::SIRM_CONTROL_OFFSET, disable, sizeof disable);
}

}  // namespace ky::stream
