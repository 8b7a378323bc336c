// SoftStreamRegisters: the registers behind a stream channel. The channel's bootstrap registers
// (SCP, SCPS, SCPD, SCDA, SCSP, made by SoftBootstrap) get their behaviour here, and each channel
// gets a block of image-format and acquisition registers whose reads and writes go to its source:
//
//   block of channel c: STREAM_FEATURES_BASE + c * STREAM_FEATURES_STRIDE (0x3FFF1000, 0x3FFF1100...),
//   beside the firmware version, far above where programs put their own registers
//   +0x00 Width            RW  source GetWidth / SetWidth
//   +0x04 Height           RW  source GetHeight / SetHeight
//   +0x08 OffsetX          RW  source GetOffsetX / SetOffsetX
//   +0x0C OffsetY          RW  source GetOffsetY / SetOffsetY
//   +0x10 PixelFormat      RW  source GetPixelType / SetPixelType
//   +0x14 PayloadSize      RO  source GetPayloadSize, or image bytes + GetChunksSize (+ 8 for the
//                              image's chunk tag when there are chunks) when it is 0
//   +0x18 AcquisitionMode  RW  0 Continuous, 1 SingleFrame (one frame, then the channel stops)
//   +0x1C AcquisitionStart WO  a non-zero write starts streaming (the channel must be open)
//   +0x20 AcquisitionStop  WO  a non-zero write stops streaming
//   +0x24 TriggerMode      RW  0 Off (the only mode: frames run free)
//   +0x28 TriggerSource    RW  0 Software (the only source)
//   +0x2C ExposureTime     RW  IEEE float, microseconds, 10 to 1000000; kept, does not pace frames
//   +0x30 WidthMin, +0x34 WidthMax, +0x38 WidthInc      RO  source GetWidthInfo
//   +0x3C HeightMin, +0x40 HeightMax, +0x44 HeightInc   RO  source GetHeightInfo
//   +0x48 Protocol         RW  the channel's transport: 0 GVSP, 1 RTP (only where the device
//                              offers it, not while the channel streams)
//   +0x4C ProtocolsOffered RO  bit 0 GVSP, bit 1 RTP
//
// Format writes while the channel streams are refused with KY_BUSY (GigE Vision status BUSY); a
// value the source refuses gives its result (KY_GENERIC_ERROR: status ERROR) and the register
// keeps its former value.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "gev/StreamChannelFeatures.h"
#include "ky/base/KyResult.h"

namespace ky::soft {

class SoftRegisterMap;
class SoftStreamChannel;

using ky::gev::STREAM_FEATURES_BASE;
using ky::gev::STREAM_FEATURES_STRIDE;
using ky::gev::STREAM_PROTOCOL_GVSP;
using ky::gev::STREAM_PROTOCOL_RTP;
using ky::gev::StreamFeatureAddress;
using ky::gev::StreamFeatureOffset;
using ky::gev::StreamProtocolBit;

constexpr float EXPOSURE_TIME_MIN_US = 10.0f;
constexpr float EXPOSURE_TIME_MAX_US = 1000000.0f;
constexpr float EXPOSURE_TIME_DEFAULT_US = 10000.0f;

class SoftStreamRegisters
{
public:
    SoftStreamRegisters(SoftRegisterMap &map, SoftStreamChannel &channel) : mMap(map), mChannel(channel) { }

    // Wires the channel's bootstrap registers (already in the map) and adds its feature block.
    KyResult AddRegisters();

private:
    void WireBootstrap();
    // SCC and SCCFG: multi-part (with large leaders and trailers) offered when the source
    // supports it, allowed by the controller.
    void WireMultiPart();
    // Protocol and ProtocolsOffered of the channel's block.
    void AddProtocol();

    // What the source was last told of large leaders and trailers, shared by the SCCFG and SCPS
    // reactions (which may run side by side).
    struct LeaderTrailer
    {
        std::mutex mutex;
        bool enabled = false;
        uint32_t packetSize = 0;
    };

    SoftRegisterMap &mMap;
    SoftStreamChannel &mChannel;
    KyResult mResult;
    std::shared_ptr<LeaderTrailer> mLeaderTrailer = std::make_shared<LeaderTrailer>();
};

}  // namespace ky::soft
