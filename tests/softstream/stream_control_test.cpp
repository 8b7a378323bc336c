// How the soft device drives its stream source: the order of the calls, the channel's
// registers, refusals, and the end of control.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SoftStreamRig.h"

using namespace ky::soft::test;
using ky::gev::Status;
using Offset = StreamFeatureOffset;

namespace {

// The test-pattern source, writing down every call the device makes.
class RecordingSource : public KyStreamingChannelSourceTestPattern
{
public:
    RecordingSource() : KyStreamingChannelSourceTestPattern(64, 16, KyPixelMono8, 4, 200.0) { }

    std::vector<std::string> Calls() const
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mCalls;
    }
    size_t Count(const std::string &name) const
    {
        const auto calls = Calls();
        return static_cast<size_t>(std::count(calls.begin(), calls.end(), name));
    }
    // The calls with runs of the same name kept once, buffer exchange left out.
    std::vector<std::string> Milestones() const
    {
        std::vector<std::string> out;
        for (const std::string &call : Calls()) {
            const bool exchange = call == "QueueBuffer" || call == "RetrieveBuffer" ||
                                  call == "PreQueueBufferProc" || call == "PostRetrieveBufferProc";
            if (!exchange && (out.empty() || out.back() != call)) {
                out.push_back(call);
            }
        }
        return out;
    }
    // Where the device last opened the channel, "ip:port".
    std::string OpenedWith() const
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mOpenedWith;
    }

    void CreateRegisters(IKyRegisterMap *m, IKyRegisterFactory *f) override
    {
        Note("CreateRegisters");
        Base::CreateRegisters(m, f);
    }
    void CreateGenApiFeatures(IKyRegisterMap *m, IKyGenApiFactory *f) override
    {
        Note("CreateGenApiFeatures");
        Base::CreateGenApiFeatures(m, f);
    }
    KyBuffer *AllocBuffer() override
    {
        Note("AllocBuffer");
        return Base::AllocBuffer();
    }
    void FreeBuffer(KyBuffer *b) override
    {
        Note("FreeBuffer");
        Base::FreeBuffer(b);
    }
    void OnOpen(const KyString &ip, uint16_t port) override
    {
        Note("OnOpen");
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mOpenedWith = std::string(ip.GetAscii()) + ":" + std::to_string(port);
        }
        Base::OnOpen(ip, port);
    }
    void OnClose() override
    {
        Note("OnClose");
        Base::OnClose();
    }
    void OnStreamingStart() override
    {
        Note("OnStreamingStart");
        Base::OnStreamingStart();
    }
    void OnStreamingStop() override
    {
        Note("OnStreamingStop");
        Base::OnStreamingStop();
    }
    KyResult QueueBuffer(KyBuffer *b) override
    {
        Note("QueueBuffer");
        return Base::QueueBuffer(b);
    }
    bool PreQueueBufferProc() override
    {
        Note("PreQueueBufferProc");
        return Base::PreQueueBufferProc();
    }
    void PostRetrieveBufferProc() override
    {
        Note("PostRetrieveBufferProc");
        Base::PostRetrieveBufferProc();
    }
    KyResult RetrieveBuffer(KyBuffer **b) override
    {
        Note("RetrieveBuffer");
        return Base::RetrieveBuffer(b);
    }
    void AbortQueuedBuffers() override
    {
        Note("AbortQueuedBuffers");
        Base::AbortQueuedBuffers();
    }

private:
    using Base = KyStreamingChannelSourceTestPattern;
    void Note(const char *name)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mCalls.emplace_back(name);
    }
    mutable std::mutex mMutex;
    std::vector<std::string> mCalls;
    std::string mOpenedWith;
};

// Waits (bounded) for a frame to be complete at the receiver.
void ExpectFrame(SoftStreamRig &rig)
{
    ky::gev::GvspCompletedBlock block;
    ASSERT_TRUE(rig.Receiver().WaitForBlock(block, WAIT_MS).IsOK());
    EXPECT_EQ(block.status, ky::gev::GvspBlockStatus::Complete);
}

TEST(StreamControl, TheDeviceDrivesTheSourceInOrder)
{
    RecordingSource source;
    {
        SoftStreamRig rig(source);
        ASSERT_NO_FATAL_FAILURE(rig.Start());
        EXPECT_EQ(source.Count("AllocBuffer"), 5u);  // four buffers, then the null answer
        ASSERT_NO_FATAL_FAILURE(rig.QueueFrames(2, 64 * 16));
        ASSERT_NO_FATAL_FAILURE(rig.Open());
        EXPECT_EQ(source.OpenedWith(), "127.0.0.1:" + std::to_string(rig.Receiver().LocalPort()));
        ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStart), 1), Status::SUCCESS);
        ExpectFrame(rig);
        ExpectFrame(rig);
        ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStop), 1), Status::SUCCESS);
        const auto afterStop = source.Calls();
        const auto stop = std::find(afterStop.begin(), afterStop.end(), "OnStreamingStop");
        ASSERT_NE(stop, afterStop.end());
        EXPECT_EQ(std::count(stop, afterStop.end(), "QueueBuffer"), 0) << "no buffer is queued once stopping";
        ASSERT_EQ(rig.Write(ky::gev::SCP0_OFFSET, 0), Status::SUCCESS);
    }
    const std::vector<std::string> expected = {
        "CreateRegisters", "CreateGenApiFeatures", "AllocBuffer", "OnOpen",    "OnStreamingStart",
        "OnStreamingStop", "AbortQueuedBuffers",   "OnClose",     "FreeBuffer"};
    EXPECT_EQ(source.Milestones(), expected);
    EXPECT_EQ(source.Count("FreeBuffer"), 4u);
    EXPECT_EQ(source.GetAllocatedBufferCount(), 0u);
}

TEST(StreamControl, StopOfTheDeviceStopsStreamingAndClosesTheChannel)
{
    RecordingSource source;
    {
        SoftStreamRig rig(source);
        ASSERT_NO_FATAL_FAILURE(rig.Start());
        ASSERT_NO_FATAL_FAILURE(rig.QueueFrames(1, 64 * 16));
        ASSERT_NO_FATAL_FAILURE(rig.Open());
        ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStart), 1), Status::SUCCESS);
        ExpectFrame(rig);
        // The rig stops the device while it streams.
    }
    const std::vector<std::string> expected = {
        "CreateRegisters", "CreateGenApiFeatures", "AllocBuffer", "OnOpen",    "OnStreamingStart",
        "OnStreamingStop", "AbortQueuedBuffers",   "OnClose",     "FreeBuffer"};
    EXPECT_EQ(source.Milestones(), expected);
    EXPECT_FALSE(source.IsStreaming());
    EXPECT_FALSE(source.IsOpen());
}

TEST(StreamControl, LosingTheControllerClosesTheChannel)
{
    RecordingSource source;
    SoftStreamRig rig(source);
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    ASSERT_NO_FATAL_FAILURE(rig.Open());
    ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStart), 1), Status::SUCCESS);
    ASSERT_EQ(rig.Write(ky::gev::CCP_OFFSET, 0), Status::SUCCESS);
    EXPECT_FALSE(source.IsStreaming());
    EXPECT_FALSE(source.IsOpen());
    EXPECT_EQ(rig.Read(ky::gev::SCP0_OFFSET), 0u);
}

TEST(StreamControl, SingleFrameModeSendsOneFrameThenStops)
{
    RecordingSource source;
    SoftStreamRig rig(source);
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionMode), 1), Status::SUCCESS);
    EXPECT_EQ(rig.Read(Feature(Offset::AcquisitionMode)), 1u);
    ASSERT_NO_FATAL_FAILURE(rig.QueueFrames(2, 64 * 16));
    ASSERT_NO_FATAL_FAILURE(rig.Open());
    ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStart), 1), Status::SUCCESS);
    ExpectFrame(rig);
    ky::gev::GvspCompletedBlock second;
    EXPECT_EQ(rig.Receiver().WaitForBlock(second, 300).GetCode(), KY_TIMEOUT);
    for (int i = 0; i < 100 && source.IsStreaming(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(source.IsStreaming());
    EXPECT_EQ(source.Count("OnStreamingStop"), 1u);
    EXPECT_EQ(source.GetFrameCount(), 1u);
}

struct RegisterCase
{
    const char *name;
    Offset offset;
    uint32_t value;
    Status status;
    uint32_t readBack;  // for RW registers after the write
};

// The source starts at 64 x 16 Mono8.
const RegisterCase REGISTER_CASES[] = {
    {"WidthAccepted", Offset::Width, 100, Status::SUCCESS, 100},
    {"WidthRefusedBySource", Offset::Width, 16385, Status::ERROR, 64},
    {"HeightZeroRefused", Offset::Height, 0, Status::ERROR, 16},
    {"PixelFormatBayer", Offset::PixelFormat, static_cast<uint32_t>(KyPixelBayerGB8), Status::SUCCESS,
     static_cast<uint32_t>(KyPixelBayerGB8)},
    {"PixelFormatUnsupported", Offset::PixelFormat, static_cast<uint32_t>(KyPixelMono16), Status::ERROR,
     static_cast<uint32_t>(KyPixelMono8)},
    {"AcquisitionModeUnknown", Offset::AcquisitionMode, 2, Status::INVALID_PARAMETER, 0},
    {"TriggerModeOnlyOff", Offset::TriggerMode, 1, Status::INVALID_PARAMETER, 0},
    {"TriggerSourceSoftware", Offset::TriggerSource, 0, Status::SUCCESS, 0},
    {"ExposureTimeTooShort", Offset::ExposureTime, 0x40A00000 /* 5.0f */, Status::INVALID_PARAMETER,
     0x461C4000 /* 10000.0f */},
    {"ExposureTimeAccepted", Offset::ExposureTime, 0x447A0000 /* 1000.0f */, Status::SUCCESS, 0x447A0000},
    {"WidthMaxReadOnly", Offset::WidthMax, 5, Status::WRITE_PROTECT, 16384},
};

class RegisterTest : public ::testing::TestWithParam<RegisterCase>
{
};

TEST_P(RegisterTest, WriteThenRead)
{
    const RegisterCase &c = GetParam();
    RecordingSource source;
    SoftStreamRig rig(source);
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    EXPECT_EQ(rig.Write(Feature(c.offset), c.value), c.status);
    EXPECT_EQ(rig.Read(Feature(c.offset)), c.readBack);
}

INSTANTIATE_TEST_SUITE_P(Channel0, RegisterTest, ::testing::ValuesIn(REGISTER_CASES),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(StreamControl, FormatIsLockedWhileStreaming)
{
    RecordingSource source;
    SoftStreamRig rig(source);
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    EXPECT_EQ(rig.Write(Feature(Offset::AcquisitionStart), 1), Status::ERROR) << "no destination yet";
    EXPECT_EQ(source.Count("OnStreamingStart"), 0u);
    ASSERT_NO_FATAL_FAILURE(rig.Open());
    ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStart), 1), Status::SUCCESS);
    EXPECT_EQ(rig.Write(Feature(Offset::Width), 32), Status::BUSY);
    EXPECT_EQ(rig.Write(Feature(Offset::PixelFormat), static_cast<uint32_t>(KyPixelBayerRG8)), Status::BUSY);
    EXPECT_EQ(source.GetWidth(), 64u);
    ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStop), 1), Status::SUCCESS);
    EXPECT_EQ(rig.Write(Feature(Offset::Width), 32), Status::SUCCESS);
    EXPECT_EQ(rig.Read(Feature(Offset::PayloadSize)), 32u * 16u);
}

TEST(StreamControl, PacketSizeIsCheckedAndTheFireBitSendsATestPacket)
{
    RecordingSource source;
    SoftStreamRig rig(source);
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    EXPECT_EQ(rig.Read(ky::gev::SCPS0_OFFSET), 1500u);
    EXPECT_EQ(rig.Write(ky::gev::SCPS0_OFFSET, 100), Status::INVALID_PARAMETER);
    EXPECT_EQ(rig.Read(ky::gev::SCPS0_OFFSET), 1500u);
    EXPECT_EQ(rig.Write(ky::gev::SCPS0_OFFSET, 20000), Status::SUCCESS);
    EXPECT_EQ(rig.Read(ky::gev::SCPS0_OFFSET), 9000u) << "lowered to the maximum";
    ASSERT_NO_FATAL_FAILURE(rig.Open());
    ASSERT_EQ(rig.Write(ky::gev::SCPS0_OFFSET, ky::gev::SCPS_FIRE_TEST_PACKET_MASK | 1500), Status::SUCCESS);
    EXPECT_EQ(rig.Read(ky::gev::SCPS0_OFFSET), 1500u) << "the fire bit reads back as 0";
    for (int i = 0; i < 250 && rig.Receiver().Counters().testPackets == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(rig.Receiver().Counters().testPackets, 1u);
    EXPECT_NE(rig.Read(ky::gev::SCSP0_OFFSET), 0u) << "the sender's source port";
}

}  // namespace

namespace {

TEST(StreamControl, TheXmlDescribesTheChannelFeaturesWithTheSourcesPixelTypes)
{
    RecordingSource source;
    SoftStreamRig rig(source);
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    KyString xml;
    ASSERT_TRUE(rig.Device().GetGenICamXMLFile(xml).IsOK());
    const std::string text = xml.GetAscii();
    for (const char *feature :
         {"\"Width\"", "\"Height\"", "\"OffsetX\"", "\"OffsetY\"", "\"PixelFormat\"", "\"PayloadSize\"",
          "\"AcquisitionMode\"", "\"AcquisitionStart\"", "\"AcquisitionStop\"", "\"TriggerMode\"",
          "\"TriggerSource\"", "\"ExposureTime\"", "\"Mono8\"", "\"BayerGR8\"", "\"BayerRG8\"",
          "\"BayerGB8\"", "\"BayerBG8\""}) {
        EXPECT_NE(text.find(std::string("Name=") + feature), std::string::npos) << feature;
    }
    EXPECT_EQ(text.find("Name=\"Mono16\""), std::string::npos);
}

}  // namespace

namespace {

// A source whose buffer exchange and hooks all throw: the device logs, keeps running and stops.
class ThrowingSource : public KyStreamingChannelSourceTestPattern
{
public:
    ThrowingSource() : KyStreamingChannelSourceTestPattern(32, 8, KyPixelMono8, 2, 0.0) { }
    void OnStreamingStart() override { throw std::runtime_error("start"); }
    KyResult QueueBuffer(KyBuffer *) override { throw std::runtime_error("queue"); }
    KyResult RetrieveBuffer(KyBuffer **) override { throw std::runtime_error("retrieve"); }
    void AbortQueuedBuffers() override { throw std::runtime_error("abort"); }
    void OnClose() override { throw std::runtime_error("close"); }
};

TEST(StreamControl, ASourceThatThrowsNeitherStopsNorCrashesTheDevice)
{
    ThrowingSource source;
    SoftStreamRig rig(source);
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    ASSERT_NO_FATAL_FAILURE(rig.Open());
    EXPECT_EQ(rig.Write(Feature(Offset::AcquisitionStart), 1), Status::SUCCESS);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(rig.Write(Feature(Offset::AcquisitionStop), 1), Status::SUCCESS);
    EXPECT_EQ(rig.Write(ky::gev::SCP0_OFFSET, 0), Status::SUCCESS);
    EXPECT_EQ(rig.Read(Feature(Offset::Width)), 32u) << "the device still answers";
    EXPECT_TRUE(rig.Device().Stop().IsOK());
    EXPECT_EQ(source.GetAllocatedBufferCount(), 0u) << "every buffer handed back";
}

}  // namespace

namespace {

TEST(StreamControl, EachChannelHasItsOwnRegisterBlockAndSource)
{
    KyStreamingChannelSourceTestPattern first(111, 22, KyPixelMono8, 2, 100.0);
    RecordingSource second;  // 64 x 16, channel 1
    SoftStreamRig rig(second);
    ASSERT_TRUE(rig.Device().AddStream(&first).IsOK());
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    EXPECT_EQ(rig.Read(ky::gev::STREAM_CHANNEL_COUNT_OFFSET), 2u);
    EXPECT_EQ(rig.Read(StreamFeatureAddress(0, Offset::Width)), 111u);
    EXPECT_EQ(rig.Read(StreamFeatureAddress(1, Offset::Width)), 64u);
    ASSERT_EQ(rig.Write(StreamFeatureAddress(1, Offset::Height), 40), Status::SUCCESS);
    EXPECT_EQ(second.GetHeight(), 40u);
    EXPECT_EQ(first.GetHeight(), 22u);
    // Channel 1 opens on its own SCP; channel 0 stays closed.
    ASSERT_EQ(rig.Write(ky::gev::StreamChannelOffset(ky::gev::SCDA0_OFFSET, 1), LOOPBACK), Status::SUCCESS);
    ASSERT_EQ(rig.Write(ky::gev::StreamChannelOffset(ky::gev::SCP0_OFFSET, 1), rig.Receiver().LocalPort()),
              Status::SUCCESS);
    EXPECT_TRUE(second.IsOpen());
    EXPECT_FALSE(first.IsOpen());
    ASSERT_NO_FATAL_FAILURE(rig.QueueFrames(1, 64 * 40));
    ASSERT_EQ(rig.Write(StreamFeatureAddress(1, Offset::AcquisitionStart), 1), Status::SUCCESS);
    ky::gev::GvspCompletedBlock block;
    ASSERT_TRUE(rig.Receiver().WaitForBlock(block, WAIT_MS).IsOK());
    EXPECT_EQ(block.status, ky::gev::GvspBlockStatus::Complete);
    EXPECT_EQ(block.leader.sizeY, 40u);
    EXPECT_FALSE(first.IsStreaming());
}

}  // namespace

namespace {

// Two program threads write the channel's destination registers through the public register map
// at the same time. Each register's reaction reads the other register; neither may wait for the
// other. A deadlock would never return, so a watchdog ends the process instead of letting the
// test hang.
TEST(StreamControl, DestinationRegistersWrittenFromTwoThreadsNeitherDeadlockNorGoStale)
{
    RecordingSource source;
    SoftStreamRig rig(source);
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    IKyRegisterMap *map = rig.Device().GetRegisterMap();
    ASSERT_NE(map, nullptr);
    IKyRegister *scp = map->GetRegisterByAddress(ky::gev::SCP0_OFFSET);
    IKyRegister *scda = map->GetRegisterByAddress(ky::gev::SCDA0_OFFSET);
    ASSERT_TRUE(scp && scda);
    const uint32_t port = rig.Receiver().LocalPort();
    constexpr int ROUNDS = 3000;

    std::mutex mutex;
    std::condition_variable done;
    int finished = 0;
    KyResult failures[2];
    auto writer = [&](int which, IKyRegister *reg, uint32_t other, uint32_t last) {
        KyResult outcome(KY_OK);
        for (int i = 0; i < ROUNDS; ++i) {
            outcome |= reg->Write(i + 1 == ROUNDS ? last : (i % 2 ? other : last));
        }
        std::lock_guard<std::mutex> lock(mutex);
        failures[which] = outcome;
        ++finished;
        done.notify_all();
    };
    std::thread portWriter(writer, 0, scp, port + 1, port);
    std::thread addressWriter(writer, 1, scda, LOOPBACK + 1, LOOPBACK);
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (!done.wait_for(lock, std::chrono::seconds(120), [&] { return finished == 2; })) {
            std::fprintf(stderr, "SCP and SCDA writers still blocked after 120 s: deadlock\n");
            std::fflush(stderr);
            std::abort();
        }
    }
    portWriter.join();
    addressWriter.join();
    EXPECT_TRUE(failures[0].IsOK()) << failures[0].GetDescription().GetAscii();
    EXPECT_TRUE(failures[1].IsOK()) << failures[1].GetDescription().GetAscii();
    EXPECT_EQ(rig.Read(ky::gev::SCP0_OFFSET), port);
    EXPECT_EQ(rig.Read(ky::gev::SCDA0_OFFSET), LOOPBACK);
    // The channel took the last value of both registers: a frame reaches the receiver.
    ASSERT_NO_FATAL_FAILURE(rig.QueueFrames(1, 64 * 16));
    ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStart), 1), Status::SUCCESS);
    ExpectFrame(rig);
    ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStop), 1), Status::SUCCESS);
}

}  // namespace
