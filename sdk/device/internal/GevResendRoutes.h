// GevResendRoutes: the process's control links that hold control of a device, by device
// address, through which a stream sends its PACKETRESEND commands. A device may take resend
// requests from its primary application's control socket only; a stream that belongs to a device
// this process controls therefore asks from that socket, and from a socket of its own otherwise
// (a stream opened without a connected device, a device controlled by another application).
//
// One registry per process: it lives in libKyDevice, which the stream library links. It is the
// one internal class that libKyDevice exports, because libKyStream must reach the same instance.
//
// Threads: Offer and Withdraw come from the control link (open, close); Send from any stream's
// receive thread, ReadRegisters and WriteRegisters from a stream's open. Withdraw waits until no
// Send and no register access uses the link, so a link that was withdrawn may close its socket
// at once; the link must not hold its command lock while it withdraws (a register access waits
// for that lock).
#pragma once

#include <cstdint>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ky/base/KyResult.h"

#include "ky/device/KyDeviceExport.h"

namespace ky {
namespace device {

class GvcpClient;

class KY_DEVICE_API GevResendRoutes
{
public:
    static GevResendRoutes &Instance();

    // The link becomes the route to the device (ip in host byte order), replacing another.
    void Offer(uint32_t deviceIp, GvcpClient *client);
    // Removes the link if it is the device's route.
    void Withdraw(uint32_t deviceIp, const GvcpClient *client);

    enum class Outcome { NoRoute, Sent, Failed };
    // Sends one PACKETRESEND through the device's route, if there is one.
    Outcome Send(uint32_t deviceIp, uint16_t channel, uint64_t blockId, uint32_t firstPacketId,
                 uint32_t lastPacketId);

    // How a stream of this process sets up a device that this process controls, through the
    // device's route: reads registers (values in the order of the addresses) with the host
    // address the device is reached from, and writes registers in order. KY_NOT_CONNECTED when
    // the device has no route; otherwise the first failing access's result. The registry is not
    // locked over the accesses (resends go on); the link is kept from being withdrawn.
    KyResult ReadRegisters(uint32_t deviceIp, const std::vector<uint32_t> &addresses,
                           std::vector<uint32_t> &values, uint32_t &localIp);
    KyResult WriteRegisters(uint32_t deviceIp, const std::vector<std::pair<uint32_t, uint32_t>> &writes);

private:
    GevResendRoutes() = default;
    // Runs `access` on the device's link, counted as a user of it. KY_NOT_CONNECTED without one.
    KyResult Use(uint32_t deviceIp, const std::function<KyResult(GvcpClient &)> &access);

    std::mutex mMutex;
    std::unordered_map<uint32_t, GvcpClient *> mRoutes;
    std::unordered_map<const GvcpClient *, int> mUsers;  // register accesses under way
    std::condition_variable mUnused;
};

}  // namespace device
}  // namespace ky
