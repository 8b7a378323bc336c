// GevLinkParameters: the SDK's own features of a GigE Vision connection (answer timeout, command
// attempts, heartbeat, packet-size negotiation), as a small GenICam node map over an in-process
// port (a host-side feature set). KyDevice::GetCommunicationParameters hands the array out.
#pragma once

#include <atomic>
#include <cstdint>

#include "features/FeatureSet.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "gev/Gvsp.h"

class KyDeviceGEV;

namespace ky {
namespace device {

class GevConnection;

class GevLinkParameters
{
public:
    // Loads the node map into `array`, which must outlive this port's use (the device owns both).
    GevLinkParameters(GevConnection &connection, KyDeviceGEV &device);
    KyResult Load(KyGenParameterArray &array);

    // For NegotiatePacketSize: the size to use instead of the adapter's MTU, 0 for none.
    uint32_t DefaultPacketSize() const { return mAutoNegotiation ? 0 : mDefaultPacketSize.load(); }

private:
    GevConnection &mConnection;
    KyDeviceGEV &mDevice;
    std::atomic<uint32_t> mDefaultPacketSize{1500 - gev::GVSP_IP_UDP_OVERHEAD_SIZE};
    std::atomic<bool> mAutoNegotiation{true};
    gc::FeatureSet mSet;  // its functions reach the members above
};

}  // namespace device
}  // namespace ky
