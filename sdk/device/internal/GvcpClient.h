// The control link to one GigE Vision device: one GVCP command in flight at a time, with an
// answer timeout, bounded retries and the acknowledge checks of the protocol.
//
// A device that answers PENDING_ACK moves the command's deadline, but never beyond the
// command's ceiling: the larger of Settings::pendingCeiling and attempts x answerTimeout (what a
// device that never answers costs anyway), counted from the first send. Then the command fails
// with KY_TIMEOUT, and the next command, which waited for the lock, goes out.
//
// While the link holds control of the device it can offer itself as the device's resend route
// (GevResendRoutes): a stream then sends its PACKETRESEND commands from this socket, which a
// strict device takes from its primary application only, without waiting for the command lock.
//
// With Settings::tcp the link is a TCP connection to the device's GVCP port number instead (a
// soft device of this kit with its TCP transport on; gev/TcpPacketSocket.h): commands and
// acknowledges travel framed and whole, and a connection that breaks fails the command in flight
// and every later one at once (IsBroken). Such a link offers no resend route.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "ky/base/KyResult.h"
#include "gev/TcpPacketSocket.h"
#include "gev/UdpSocket.h"
#include "ky/device/KyGevConstants.h"

namespace ky {
namespace device {

class GvcpClient
{
public:
    struct Settings
    {
        std::chrono::milliseconds answerTimeout{500};
        uint32_t attempts = 3;           // sends of one command before it times out
        uint16_t port = gev::GVCP_PORT;  // the device's control port
        // The longest a device may keep one command pending with PENDING_ACK (see above).
        std::chrono::milliseconds pendingCeiling{5000};
        bool tcp = false;  // control over TCP (taken at Open, as the port)
    };
    struct Statistics
    {
        uint64_t pendingAcks = 0;      // PENDING_ACK answers to our commands
        uint64_t pendingCeilings = 0;  // commands that failed because they stayed pending too long
        uint64_t resendsSent = 0;      // PACKETRESEND commands sent for streams (SendPacketResend)
    };

    GvcpClient();
    ~GvcpClient();
    GvcpClient(const GvcpClient &) = delete;
    GvcpClient &operator=(const GvcpClient &) = delete;

    // Opens a UDP socket aimed at the device (ip in host byte order), or, with settings.tcp,
    // connects over TCP (KY_NOT_CONNECTED when the device accepts no TCP connection).
    KyResult Open(uint32_t deviceIp, const Settings &settings);
    void Close();
    bool IsOpen();
    // Answer timeout and attempts of the next commands (the port stays as opened).
    Settings GetSettings();
    void SetSettings(const Settings &settings);
    uint32_t DeviceIP() const { return mDeviceIp; }
    // Over TCP: the connection is lost (the device closed it or went away).
    bool IsBroken() const { return mTcp.IsBroken(); }
    bool IsTcp() const { return mTcpOpen; }
    // The host address the device is reached from (host byte order), 0 when not open.
    uint32_t LocalIP() const { return mLocalIp; }

    // Addresses are the 32-bit GVCP addresses. Register addresses must be 4-byte aligned.
    KyResult ReadRegister(uint32_t address, uint32_t &value);
    KyResult WriteRegister(uint32_t address, uint32_t value, bool acknowledge = true);
    // Any address and length: split into READMEM/WRITEMEM blocks, unaligned edges handled by
    // reading the covering words first. On a failed read the destination is zeroed.
    KyResult ReadMemory(uint32_t address, uint8_t *destination, size_t count);
    KyResult WriteMemory(uint32_t address, const uint8_t *source, size_t count);

    // Offers this link as the resend route of its device until Close (call while open and in
    // control of the device).
    void OfferResendRoute();
    // Sends one PACKETRESEND (never acknowledged) from the control socket without taking the
    // command lock, with a request id of the link's own sequence that is not the one of the
    // command in flight. Any thread, while the link is open; false when it could not be sent.
    bool SendPacketResend(uint16_t channel, uint64_t blockId, uint32_t firstPacketId, uint32_t lastPacketId);

    Statistics GetStatistics() const;

private:
    KyResult ReadMemoryBlock(uint32_t address, uint8_t *destination, size_t count);
    KyResult WriteMemoryBlock(uint32_t address, const uint8_t *source, size_t count);
    // Takes the next id of the sequence, never 0 and never the id of the command in flight.
    uint16_t NextRequestId();
    bool OpenLocked() const { return mSocket.IsOpen() || mTcp.IsOpen(); }
    // Runs f on the link in use (with the lock held).
    template <class F>
    KyResult OnLink(F &&f)
    {
        if (mTcp.IsOpen())
            return f(mTcp);
        return f(mSocket);
    }

    std::mutex mMutex;  // one command in flight
    gev::UdpSocket mSocket;
    gev::TcpPacketSocket mTcp;
    std::atomic<bool> mTcpOpen{false};
    uint32_t mDeviceIp = 0;
    uint32_t mLocalIp = 0;
    bool mRouteOffered = false;
    bool mClosing = false;  // Close is withdrawing the route: it is not offered again meanwhile
    // Shared with SendPacketResend, which runs without the lock.
    std::atomic<uint16_t> mLastRequestId{0};
    std::atomic<uint16_t> mInFlightId{0};
    std::atomic<uint64_t> mPendingAcks{0};
    std::atomic<uint64_t> mPendingCeilings{0};
    std::atomic<uint64_t> mResendsSent{0};
    Settings mSettings;
};

}  // namespace device
}  // namespace ky
