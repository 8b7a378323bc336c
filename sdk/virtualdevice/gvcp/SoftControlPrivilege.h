// SoftControlPrivilege: which controller holds the control channel (by IP address and UDP port),
// with what access, and when it was last heard from.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

#include "ky/base/KyEnums.h"
#include "gev/Gvcp.h"

namespace ky::soft {

struct SoftPeer
{
    uint32_t ip = 0;  // host order
    uint16_t port = 0;
    bool operator==(const SoftPeer &other) const { return ip == other.ip && port == other.port; }
    bool operator!=(const SoftPeer &other) const { return !(*this == other); }
};

class SoftControlPrivilege
{
public:
    using Clock = std::chrono::steady_clock;

    enum class Change { None, Connected, Disconnected, Updated };

    // Reads: refused only while another controller holds exclusive access.
    bool MayRead(const SoftPeer &peer);
    // Writes: only the controller may write.
    bool MayWrite(const SoftPeer &peer);
    // PACKETRESEND: while an application holds control (exclusive or not), it may ask for the
    // packets it misses from its control socket and from any other socket of its host (a receiver
    // beside the controller), and so may the stream channel's destination (streamDestinationIp,
    // 0 for none): resends go to that destination anyway. Other peers are refused. Without a
    // controller anyone may ask.
    bool MayRequestResend(const SoftPeer &peer, uint32_t streamDestinationIp);
    // A CCP write from a peer. SUCCESS with the change it made, or ACCESS_DENIED while another
    // controller holds control.
    ky::gev::Status WriteCcp(const SoftPeer &peer, uint32_t value, Change &change);
    // Any command from the controller counts as its heartbeat.
    void Heard(const SoftPeer &peer);
    // True once when the controller has been silent longer than the timeout; control is then released.
    bool ExpireIfSilent(std::chrono::milliseconds timeout);
    void Release();

    bool HasController();
    SoftPeer Controller();
    KyAccessType Access();

private:
    std::mutex mMutex;
    bool mHeld = false;
    SoftPeer mController;
    uint32_t mCcp = 0;
    Clock::time_point mLastHeard;
};

}  // namespace ky::soft
