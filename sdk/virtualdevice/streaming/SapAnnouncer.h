// SapAnnouncer: announces one session by SAP on 224.2.127.254:9875, out of the device's adapter
// (TTL 1: the announcement stays on the link). Announce sends the description at once and a
// thread of its own repeats it every PERIOD; a changed description first withdraws the one
// before (a deletion) and then takes its place. Withdraw sends the deletion of what was
// announced and joins the thread.
//
// Threads: Announce and Withdraw come from one thread at a time (the stream channel's, or the
// device's once that one is joined); never from the announcer's own thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gev/UdpSocket.h"
#include "ky/base/KyResult.h"

namespace ky::soft {

class SapAnnouncer
{
public:
    static constexpr std::chrono::milliseconds PERIOD{500};

    SapAnnouncer() = default;
    ~SapAnnouncer();
    SapAnnouncer(const SapAnnouncer &) = delete;
    SapAnnouncer &operator=(const SapAnnouncer &) = delete;

    // A socket on the device's address (host byte order) whose multicast leaves by its adapter.
    KyResult Open(uint32_t deviceIp);
    // Withdraws what is announced and closes the socket.
    void Close();

    void Announce(const std::string &description);
    void Withdraw();
    bool IsAnnouncing();
    uint64_t AnnouncementsSent() const { return mSent; }

private:
    void Run();
    void SendPacket(const std::vector<uint8_t> &packet);

    uint32_t mOrigin = 0;
    ky::gev::UdpSocket mSocket;
    std::mutex mMutex;
    std::condition_variable mWake;
    std::thread mThread;
    bool mQuit = false;
    std::string mDescription;  // what is announced; empty: nothing
    std::vector<uint8_t> mAnnouncement;
    std::vector<uint8_t> mDeletion;
    std::atomic<uint64_t> mSent{0};
};

}  // namespace ky::soft
