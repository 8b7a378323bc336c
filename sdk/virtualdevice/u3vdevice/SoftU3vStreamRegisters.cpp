#include "u3vdevice/SoftU3vStreamRegisters.h"

#include <cstring>

#include "u3v/LittleEndian.h"
#include "u3v/U3vBootstrap.h"
#include "u3v/U3vStreamFormat.h"
#include "u3vdevice/SoftU3vStreamChannel.h"

namespace ky::soft {

using u3v::GenCpStatus;

namespace {

// Where the host's layout lives in the block.
constexpr uint64_t LAYOUT_BEGIN = u3v::SIRM_MAXIMUM_LEADER_SIZE_OFFSET;
constexpr uint64_t LAYOUT_END = u3v::SIRM_MAXIMUM_TRAILER_SIZE_OFFSET + 4;
constexpr uint64_t CONTROL_END = u3v::SIRM_CONTROL_OFFSET + 4;

u3v::U3vStreamLayout LayoutOf(const std::vector<uint8_t> &block)
{
    const uint8_t *b = block.data();
    u3v::U3vStreamLayout layout;
    layout.maximumLeaderSize = u3v::Le32(b + u3v::SIRM_MAXIMUM_LEADER_SIZE_OFFSET);
    layout.transferSize = u3v::Le32(b + u3v::SIRM_PAYLOAD_TRANSFER_SIZE_OFFSET);
    layout.transferCount = u3v::Le32(b + u3v::SIRM_PAYLOAD_TRANSFER_COUNT_OFFSET);
    layout.finalTransfer1Size = u3v::Le32(b + u3v::SIRM_PAYLOAD_FINAL_TRANSFER1_OFFSET);
    layout.finalTransfer2Size = u3v::Le32(b + u3v::SIRM_PAYLOAD_FINAL_TRANSFER2_OFFSET);
    layout.maximumTrailerSize = u3v::Le32(b + u3v::SIRM_MAXIMUM_TRAILER_SIZE_OFFSET);
    return layout;
}

}  // namespace

SoftU3vStreamRegisters::SoftU3vStreamRegisters(SoftU3vStreamChannel &channel, u3v::IU3vMemory &next)
    : mChannel(channel), mNext(next), mBlock(u3v::SIRM_SIZE, 0)
{
    uint32_t shift = 0;
    while ((1u << shift) < PAYLOAD_ALIGNMENT) {
        ++shift;
    }
    u3v::PutLe32(mBlock.data() + u3v::SIRM_INFO_OFFSET, shift << u3v::SIRM_INFO_ALIGNMENT_SHIFT);
    u3v::PutLe32(mBlock.data() + u3v::SIRM_REQUIRED_LEADER_SIZE_OFFSET, u3v::U3V_IMAGE_LEADER_SIZE);
    u3v::PutLe32(mBlock.data() + u3v::SIRM_REQUIRED_TRAILER_SIZE_OFFSET, u3v::U3V_IMAGE_TRAILER_SIZE);
}

bool SoftU3vStreamRegisters::Inside(uint64_t address) const
{
    return address >= u3v::SOFT_SIRM_ADDRESS && address - u3v::SOFT_SIRM_ADDRESS < u3v::SIRM_SIZE;
}

void SoftU3vStreamRegisters::Refresh()
{
    u3v::PutLe64(mBlock.data() + u3v::SIRM_REQUIRED_PAYLOAD_SIZE_OFFSET, mChannel.RequiredPayloadSize());
    u3v::PutLe32(mBlock.data() + u3v::SIRM_CONTROL_OFFSET,
                 mChannel.IsEnabled() ? u3v::SIRM_CONTROL_STREAM_ENABLE : 0);
}

GenCpStatus SoftU3vStreamRegisters::Read(uint64_t address, uint8_t *data, size_t size)
{
    if (!Inside(address)) {
        return mNext.Read(address, data, size);
    }
    const uint64_t offset = address - u3v::SOFT_SIRM_ADDRESS;
    if (size == 0 || size > u3v::SIRM_SIZE - offset) {
        return GenCpStatus::InvalidAddress;
    }
    std::lock_guard<std::mutex> lock(mMutex);
    Refresh();
    std::memcpy(data, mBlock.data() + offset, size);
    return GenCpStatus::Success;
}

GenCpStatus SoftU3vStreamRegisters::Write(uint64_t address, const uint8_t *data, size_t size)
{
    if (!Inside(address)) {
        return mNext.Write(address, data, size);
    }
    const uint64_t offset = address - u3v::SOFT_SIRM_ADDRESS;
    if (size == 0 || size > u3v::SIRM_SIZE - offset) {
        return GenCpStatus::InvalidAddress;
    }
    const uint64_t end = offset + size;
    const bool touchesControl = offset < CONTROL_END && end > u3v::SIRM_CONTROL_OFFSET;
    const bool touchesLayout = offset < LAYOUT_END && end > LAYOUT_BEGIN;
    // Only the control word and the layout are writable, and nothing between or beyond them.
    if (offset < u3v::SIRM_CONTROL_OFFSET || end > LAYOUT_END ||
        (offset < LAYOUT_BEGIN && end > CONTROL_END)) {
        return GenCpStatus::WriteProtect;
    }
    std::lock_guard<std::mutex> lock(mMutex);
    Refresh();
    const bool enabled = mChannel.IsEnabled();
    if (touchesLayout && enabled) {
        return GenCpStatus::AccessDenied;
    }
    std::vector<uint8_t> next = mBlock;
    std::memcpy(next.data() + offset, data, size);
    if (touchesControl) {
        const uint32_t control = u3v::Le32(next.data() + u3v::SIRM_CONTROL_OFFSET);
        if ((control & ~u3v::SIRM_CONTROL_STREAM_ENABLE) != 0) {
            return GenCpStatus::InvalidParameter;
        }
        const bool enable = (control & u3v::SIRM_CONTROL_STREAM_ENABLE) != 0;
        if (enable && !enabled) {
            const u3v::U3vStreamLayout layout = LayoutOf(next);
            if (layout.maximumLeaderSize < u3v::U3V_IMAGE_LEADER_SIZE ||
                layout.maximumTrailerSize < u3v::U3V_IMAGE_TRAILER_SIZE) {
                return GenCpStatus::InvalidParameter;
            }
            mChannel.SetLayout(layout);
        }
        if (enable != enabled) {
            mChannel.SetEnabled(enable);
        }
    }
    mBlock = std::move(next);
    return GenCpStatus::Success;
}

}  // namespace ky::soft
