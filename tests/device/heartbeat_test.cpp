// The heartbeat of a controlling connection against a scripted device: a beat whose answer is
// lost (a flood of datagrams, say) is sent again within the device's heartbeat timeout, and the
// link counts as lost only when no beat was answered within it. The connection's own answer
// timeout and retries are the shortest there are, so that only the heartbeat's retries can
// keep the link.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "DeviceInfoAccess.h"
#include "GevConnection.h"
#include "ScriptedGvcpDevice.h"
#include "TestDeadline.h"
#include "gev/Gvcp.h"
#include "ky/ByteOrder.h"
#include "ky/device/KyGevConstants.h"

using ky::gev::Packet;
using Reply = ScriptedGvcpDevice::Reply;
using namespace std::chrono_literals;

namespace {

// Whether the command reads the control privilege register: a heartbeat.
bool IsHeartbeat(const Packet &command)
{
    ky::gev::CommandHeader header;
    ky::gev::ReadRegCmd read;
    return ky::gev::ParseCommandHeader(command.data(), command.size(), header) == ky::gev::CodecError::Ok &&
           header.command == ky::gev::Command::READREG_CMD &&
           ky::gev::Parse(command.data(), command.size(), read) == ky::gev::CodecError::Ok &&
           read.addresses.size() == 1 && read.addresses[0] == ky::gev::CCP_OFFSET;
}

// The device answers every command but the heartbeats the test chooses to leave unanswered.
class HeartbeatRig
{
public:
    explicit HeartbeatRig(uint32_t heartbeatTimeoutMs)
    {
        uint8_t timeout[4];
        ky::base::StoreBig32(timeout, heartbeatTimeoutMs);
        device.Poke(ky::gev::HEARTBEAT_TIMEOUT_OFFSET, {timeout, timeout + 4});
        device.SetScript([this](size_t, const Packet &command, const Packet &answer) {
            std::lock_guard<std::mutex> lock(mMutex);
            if (!IsHeartbeat(command))
                return std::vector<Reply>{{answer, 0ms}};
            const size_t beat = mBeats.size();
            const bool answered = !mUnanswered(beat);
            mBeats.push_back(answered);
            return answered ? std::vector<Reply>{{answer, 0ms}} : std::vector<Reply>{};
        });
    }

    // Which heartbeats (counted from 0) go unanswered; before Connect.
    void LeaveUnanswered(std::function<bool(size_t beat)> unanswered)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mUnanswered = std::move(unanswered);
    }

    KyResult Connect()
    {
        ky::device::GvcpClient::Settings settings;
        settings.answerTimeout = 50ms;
        settings.attempts = 1;
        settings.port = device.Port();
        connection.SetClientSettings(settings);
        ky::device::GevIdentity identity;
        identity.ip = "127.0.0.1";
        identity.mac = "00:00:00:00:00:00";
        KyDeviceInfoGEV record;
        ky::device::DeviceInfoAccess::Fill(record, identity);
        return connection.Open(record, KyAccessExclusive, {});
    }

    // The heartbeats the device received so far: answered or not, in order.
    std::vector<bool> Beats()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mBeats;
    }

    template <class Condition>
    bool WaitFor(Condition condition, uint32_t ms)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TestDeadlineMs(ms));
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

private:
    // Declared first: the device's thread and the connection's use them until they are gone.
    std::mutex mMutex;
    std::function<bool(size_t)> mUnanswered = [](size_t) { return false; };
    std::vector<bool> mBeats;

public:
    std::atomic<int> linkLost{0};
    ScriptedGvcpDevice device;
    ky::device::GevConnection connection{
        ky::device::GevConnection::Callbacks{[this] { ++linkLost; }, nullptr}};
};

TEST(Heartbeat, AnswersLostWithinTheTimeoutKeepTheLink)
{
    // Beats every second; five in a row from the second on lose their answer, which the
    // retries cover well inside the device's 3 s.
    HeartbeatRig rig(3000);
    rig.LeaveUnanswered([](size_t beat) { return beat >= 1 && beat <= 5; });
    ASSERT_TRUE(rig.Connect().IsOK());
    // Three beats answered after the unanswered ones: the link held all along.
    ASSERT_TRUE(rig.WaitFor(
        [&] {
            const std::vector<bool> beats = rig.Beats();
            return rig.linkLost > 0 || (beats.size() >= 9 && beats[6] && beats[7] && beats[8]);
        },
        20000));
    EXPECT_EQ(rig.linkLost.load(), 0);
    EXPECT_TRUE(rig.connection.IsConnected());
    rig.connection.Close();
}

TEST(Heartbeat, NoAnswerWithinTheTimeoutLosesTheLinkAfterRetrying)
{
    HeartbeatRig rig(600);
    rig.LeaveUnanswered([](size_t beat) { return beat >= 1; });  // the device goes silent
    ASSERT_TRUE(rig.Connect().IsOK());
    ASSERT_TRUE(rig.WaitFor([&] { return rig.linkLost > 0; }, 20000)) << "the link was never lost";
    EXPECT_EQ(rig.linkLost.load(), 1);
    EXPECT_FALSE(rig.connection.IsConnected());
    const std::vector<bool> beats = rig.Beats();
    ASSERT_GE(beats.size(), 2u);
    EXPECT_TRUE(beats[0]);
    // The first unanswered beat was sent again before the link was given up.
    EXPECT_GT(beats.size() - 1, 1u);
    rig.connection.Close();
}

TEST(Heartbeat, ADeviceThatDroppedControlLosesTheLinkAtOnce)
{
    HeartbeatRig rig(3000);
    ASSERT_TRUE(rig.Connect().IsOK());
    ASSERT_TRUE(rig.WaitFor([&] { return !rig.Beats().empty(); }, 20000));
    // The device's heartbeat timer ran out: its privilege register reads back no control.
    rig.device.Poke(ky::gev::CCP_OFFSET, {0, 0, 0, 0});
    ASSERT_TRUE(rig.WaitFor([&] { return rig.linkLost > 0; }, 20000)) << "the link was never lost";
    const size_t beats = rig.Beats().size();
    EXPECT_EQ(rig.linkLost.load(), 1);
    // No beat after the one that read no control.
    EXPECT_EQ(rig.Beats().size(), beats);
    rig.connection.Close();
}

}  // namespace
