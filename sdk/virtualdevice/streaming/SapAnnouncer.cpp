#include "streaming/SapAnnouncer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "SoftLog.h"
#include "ky/Ipv4Text.h"
#include "rtp/SapPacket.h"

namespace ky::soft {

SapAnnouncer::~SapAnnouncer() { Close(); }

KyResult SapAnnouncer::Open(uint32_t deviceIp)
{
    KyResult result = mSocket.Open(deviceIp, 0);
    if (result.IsFailure())
        return result;
    in_addr interface { };
    interface.s_addr = htonl(deviceIp);
    const unsigned char ttl = 1;
    const unsigned char loop = 1;  // listeners on this host hear it too
    if (setsockopt(mSocket.Fd(), IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface) != 0 ||
        setsockopt(mSocket.Fd(), IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0 ||
        setsockopt(mSocket.Fd(), IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0) {
        // Without them the kernel's route decides; the announcements may still arrive.
        SoftLog("SapAnnouncer", "multicast options on %s refused", ky::base::FormatIPv4(deviceIp).c_str());
    }
    mOrigin = deviceIp;
    return result;
}

void SapAnnouncer::Close()
{
    Withdraw();
    mSocket.Close();
}

void SapAnnouncer::SendPacket(const std::vector<uint8_t> &packet)
{
    if (packet.empty() || !mSocket.IsOpen())
        return;
    if (mSocket.SendTo(packet.data(), packet.size(), ky::rtp::SAP_GROUP, ky::rtp::SAP_PORT) >= 0)
        ++mSent;
}

void SapAnnouncer::Announce(const std::string &description)
{
    std::vector<uint8_t> deletion;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (description == mDescription)
            return;
        deletion = std::move(mDeletion);
        ky::rtp::SapMessage message;
        message.SetOriginIPv4(mOrigin);
        message.messageHash = ky::rtp::SapMessageHash(description);
        message.payloadType = ky::rtp::SAP_SDP_TYPE;
        message.payload = description;
        mAnnouncement = ky::rtp::BuildSapPacket(message);
        message.deletion = true;
        mDeletion = ky::rtp::BuildSapPacket(message);
        mDescription = description;
        if (mAnnouncement.empty())
            SoftLog("SapAnnouncer", "a session description of %zu bytes is too long to announce",
                    description.size());
    }
    SendPacket(deletion);
    {
        std::lock_guard<std::mutex> lock(mMutex);
        SendPacket(mAnnouncement);
    }
    if (!mThread.joinable()) {
        mQuit = false;
        mThread = std::thread([this] { Run(); });
    }
}

void SapAnnouncer::Withdraw()
{
    std::vector<uint8_t> deletion;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        deletion = std::move(mDeletion);
        mDeletion.clear();
        mAnnouncement.clear();
        mDescription.clear();
        mQuit = true;
    }
    mWake.notify_all();
    if (mThread.joinable())
        mThread.join();
    SendPacket(deletion);
}

bool SapAnnouncer::IsAnnouncing()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return !mDescription.empty();
}

void SapAnnouncer::Run()
{
    std::unique_lock<std::mutex> lock(mMutex);
    while (!mQuit) {
        if (mWake.wait_for(lock, PERIOD, [this] { return mQuit; }))
            break;
        SendPacket(mAnnouncement);
    }
}

}  // namespace ky::soft
