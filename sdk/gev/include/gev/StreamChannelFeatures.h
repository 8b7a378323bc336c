// StreamChannelFeatures: where the kit's soft device keeps each stream channel's image-format,
// acquisition and transport registers (its own block, beside the bootstrap registers), shared by
// the device that serves them and the host code that sets a channel up without a GenICam map.
#pragma once

#include <cstdint>

namespace ky::gev {

constexpr uint32_t STREAM_FEATURES_BASE = 0x3FFF1000;
constexpr uint32_t STREAM_FEATURES_STRIDE = 0x100;

enum class StreamFeatureOffset : uint32_t {
    Width = 0x00,
    Height = 0x04,
    OffsetX = 0x08,
    OffsetY = 0x0C,
    PixelFormat = 0x10,
    PayloadSize = 0x14,
    AcquisitionMode = 0x18,
    AcquisitionStart = 0x1C,
    AcquisitionStop = 0x20,
    TriggerMode = 0x24,
    TriggerSource = 0x28,
    ExposureTime = 0x2C,
    WidthMin = 0x30,
    WidthMax = 0x34,
    WidthInc = 0x38,
    HeightMin = 0x3C,
    HeightMax = 0x40,
    HeightInc = 0x44,
    Protocol = 0x48,
    ProtocolsOffered = 0x4C,
};

// The transports of a stream channel (Protocol) and their bits in ProtocolsOffered.
constexpr uint32_t STREAM_PROTOCOL_GVSP = 0;
constexpr uint32_t STREAM_PROTOCOL_RTP = 1;
constexpr uint32_t StreamProtocolBit(uint32_t protocol) { return 1u << protocol; }

constexpr uint32_t StreamFeatureAddress(uint32_t channel, StreamFeatureOffset offset)
{
    return STREAM_FEATURES_BASE + channel * STREAM_FEATURES_STRIDE + static_cast<uint32_t>(offset);
}

}  // namespace ky::gev
