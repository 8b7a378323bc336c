// SoftChannelFeatureRegisters: the image-format and acquisition block of a stream channel (its
// layout is in SoftStreamRegisters.h), for a channel of any transport: a GigE Vision channel
// sends GVSP, a USB3 Vision channel sends on its stream pipe, and both serve the same features.
#pragma once

#include <cstdint>
#include <memory>

#include "ky/base/KyResult.h"

class IKyStreamingChannelSource;

namespace ky::soft {

class SoftRegisterMap;

// What the block's registers do to their channel.
class SoftAcquisitionChannel
{
public:
    virtual ~SoftAcquisitionChannel() = default;
    virtual uint32_t Index() const = 0;
    virtual IKyStreamingChannelSource &Source() = 0;
    // Format writes are refused with KY_BUSY while this is true.
    virtual bool IsStreaming() const = 0;
    virtual uint32_t GetAcquisitionMode() const = 0;  // 0 Continuous, 1 SingleFrame
    virtual void SetAcquisitionMode(uint32_t mode) = 0;
    virtual KyResult StartAcquisition() = 0;
    virtual KyResult StopAcquisition() = 0;
};

// Adds the channel's block to the map; the registers keep the channel object alive (the channel
// it stands for must outlive the map's registers, or the map be cleared first).
KyResult AddChannelFeatureRegisters(SoftRegisterMap &map, std::shared_ptr<SoftAcquisitionChannel> channel);

}  // namespace ky::soft
