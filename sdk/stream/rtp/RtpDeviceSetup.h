// What an RTP stream opened on a device needs from it: a GigE Vision device of this process's
// (one that a KyDeviceGEV of this process controls) whose stream channel offers RTP as its
// transport. The channel's registers are read and written through the controlling connection.
//
// The channel's feature block is the kit's soft device's (gev/StreamChannelFeatures.h): Width,
// Height, PixelFormat, Protocol and ProtocolsOffered. A device without that block offers no RTP.
#pragma once

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"

namespace ky::stream {

struct RtpDeviceStream
{
    std::uint32_t localIp = 0;  // the host address the device is reached from (host byte order)
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    KyPixelType pixelType = KyPixelUndefined;
};

// Reads what the channel streams. KY_NOT_CONNECTED when this process does not control the
// device; KY_NOT_SUPPORTED when the channel offers no RTP.
KyResult ReadRtpDeviceStream(std::uint32_t deviceIp, std::uint16_t channel, RtpDeviceStream &out);

// Chooses RTP as the channel's transport and sends it to localIp:localPort (SCDA, SCP).
KyResult ChooseRtpDeviceStream(std::uint32_t deviceIp, std::uint16_t channel, std::uint32_t localIp,
                               std::uint16_t localPort);

}  // namespace ky::stream
