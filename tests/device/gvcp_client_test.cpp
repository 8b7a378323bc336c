// The control link against a scripted device: retries, acknowledge matching, pending
// acknowledges, status mapping, and memory access split into aligned blocks.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>

#include "GvcpClient.h"
#include "ScriptedGvcpDevice.h"
#include "gev/Gvcp.h"
#include "ky/ByteOrder.h"

using ky::device::GvcpClient;
using ky::gev::Packet;
using Reply = ScriptedGvcpDevice::Reply;
using namespace std::chrono_literals;

namespace {

constexpr uint32_t kLoopback = 0x7F000001;
constexpr uint32_t kRegister = ky::gev::CCP_OFFSET;

uint16_t RequestId(const Packet &command) { return ky::base::LoadBig16(&command[6]); }

Packet WithAckId(Packet ack, uint16_t id)
{
    ky::base::StoreBig16(&ack[6], id);
    return ack;
}

Packet PendingAck(uint16_t id, uint16_t milliseconds)
{
    ky::gev::PendingAck pending;
    pending.header.ackId = id;
    pending.timeToCompletionMs = milliseconds;
    Packet out;
    ky::gev::Build(pending, out);
    return out;
}

class GvcpClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        device.Poke(kRegister, {0x12, 0x34, 0x56, 0x78});
        GvcpClient::Settings settings;
        settings.answerTimeout = 200ms;
        settings.attempts = 3;
        settings.port = device.Port();
        ASSERT_TRUE(client.Open(kLoopback, settings).IsOK());
    }
    // One attempt, and a pending command ends 600 ms after it was sent.
    void UseCeiling()
    {
        GvcpClient::Settings settings = client.GetSettings();
        settings.attempts = 1;
        settings.pendingCeiling = 600ms;
        client.SetSettings(settings);
    }

    ScriptedGvcpDevice device;
    GvcpClient client;
};

struct ReadCase
{
    const char *name;
    ScriptedGvcpDevice::Script script;
    uint32_t code;
    const char *description;  // expected exactly, empty: not checked
    size_t commandsSent;
};

class ReadRegisterCases : public GvcpClientTest, public ::testing::WithParamInterface<ReadCase>
{
};

const char *const kTimeoutText =
    "No answer from the device at 127.0.0.1 to READREG_CMD at 0x00000A00 (3 attempts).";

const ReadCase kReadCases[] = {
    {"prompt_answer", nullptr, KY_OK, "", 1},
    {"first_answer_lost_retry_answered",
     [](size_t n, const Packet &, const Packet &answer) {
         return n == 0 ? std::vector<Reply>{} : std::vector<Reply>{{answer, 0ms}};
     },
     KY_OK, "", 2},
    {"late_answer_accepted_during_retry",
     [](size_t n, const Packet &, const Packet &answer) {
         return std::vector<Reply>{{answer, n == 0 ? 300ms : 0ms}};
     },
     KY_OK, "", 2},
    {"wrong_id_ignored",
     [](size_t, const Packet &command, const Packet &answer) {
         return std::vector<Reply>{{WithAckId(answer, uint16_t(RequestId(command) + 1)), 0ms}, {answer, 0ms}};
     },
     KY_OK, "", 1},
    {"duplicate_answer_harmless",
     [](size_t, const Packet &, const Packet &answer) {
         return std::vector<Reply>{{answer, 0ms}, {answer, 0ms}};
     },
     KY_OK, "", 1},
    {"short_answer_ignored",
     [](size_t, const Packet &, const Packet &answer) {
         return std::vector<Reply>{{Packet(answer.begin(), answer.begin() + 6), 0ms}};
     },
     KY_TIMEOUT, kTimeoutText, 3},
    {"answer_with_wrong_size_ignored",
     [](size_t, const Packet &command, const Packet &) {
         ky::gev::ReadRegAck ack;
         ack.header.ackId = RequestId(command);
         ack.values = {1, 2};
         Packet out;
         ky::gev::Build(ack, out);
         return std::vector<Reply>{{out, 0ms}};
     },
     KY_TIMEOUT, kTimeoutText, 3},
    {"answer_of_another_command_ignored",
     [](size_t, const Packet &command, const Packet &) {
         ky::gev::WriteRegAck ack;
         ack.header.ackId = RequestId(command);
         ack.index = 1;
         Packet out;
         ky::gev::Build(ack, out);
         return std::vector<Reply>{{out, 0ms}};
     },
     KY_TIMEOUT, kTimeoutText, 3},
    {"error_status_mapped",
     [](size_t, const Packet &command, const Packet &) {
         return std::vector<Reply>{
             {ScriptedGvcpDevice::ErrorAck(ky::gev::Command::READREG_ACK, RequestId(command),
                                           ky::gev::Status::ACCESS_DENIED),
              0ms}};
     },
     KY_STATE_ERROR,
     "READREG_CMD at 0x00000A00: the device refuses access without control privilege (status ACCESS_DENIED, "
     "0x8006).",
     1},
    {"pending_ack_extends_deadline",
     [](size_t, const Packet &command, const Packet &answer) {
         return std::vector<Reply>{{PendingAck(RequestId(command), 500), 0ms}, {answer, 250ms}};
     },
     KY_OK, "", 1},
};

TEST_P(ReadRegisterCases, Outcome)
{
    const ReadCase &c = GetParam();
    device.SetScript(c.script);
    uint32_t value = 0xFFFFFFFF;
    const KyResult result = client.ReadRegister(kRegister, value);
    EXPECT_EQ(result.GetCode(), c.code) << result.GetDescription().GetAscii();
    if (c.description[0]) {
        EXPECT_STREQ(result.GetDescription().GetAscii(), c.description);
    }
    EXPECT_EQ(value, c.code == KY_OK ? 0x12345678u : 0u);
    // The scripted device may still be working through a retry that was answered by a late reply.
    for (int i = 0; i < 100 && device.Received().size() < c.commandsSent; ++i)
        std::this_thread::sleep_for(10ms);
    const auto received = device.Received();
    ASSERT_EQ(received.size(), c.commandsSent);
    for (const Packet &command : received) {  // every attempt repeats the request id
        EXPECT_EQ(RequestId(command), RequestId(received.front()));
    }
}

INSTANTIATE_TEST_SUITE_P(Script, ReadRegisterCases, ::testing::ValuesIn(kReadCases),
                         [](const ::testing::TestParamInfo<ReadCase> &info) { return info.param.name; });

TEST_F(GvcpClientTest, ReadRegisterSendsExactBytesWithNonZeroIncreasingIds)
{
    uint32_t value = 0;
    ASSERT_TRUE(client.ReadRegister(kRegister, value).IsOK());
    ASSERT_TRUE(client.ReadRegister(kRegister, value).IsOK());
    const auto received = device.Received();
    ASSERT_EQ(received.size(), 2u);
    const uint16_t id = RequestId(received[0]);
    EXPECT_NE(id, 0);
    EXPECT_EQ(received[0], (Packet{0x42, 0x01, 0x00, 0x80, 0x00, 0x04, uint8_t(id >> 8), uint8_t(id), 0x00,
                                   0x00, 0x0A, 0x00}));
    EXPECT_EQ(RequestId(received[1]), uint16_t(id + 1));
}

TEST_F(GvcpClientTest, StaleDuplicateOfEarlierAnswerDoesNotSatisfyNextCommand)
{
    // The device answers every command twice; the second copy arrives while the next command
    // waits and must not be taken for its answer.
    device.SetScript([](size_t, const Packet &, const Packet &answer) {
        return std::vector<Reply>{{answer, 0ms}, {answer, 30ms}};
    });
    uint32_t value = 0;
    ASSERT_TRUE(client.ReadRegister(kRegister, value).IsOK());
    ASSERT_TRUE(client.WriteRegister(kRegister, 0xCAFEF00D).IsOK());
    ASSERT_TRUE(client.ReadRegister(kRegister, value).IsOK());
    EXPECT_EQ(value, 0xCAFEF00Du);
}

TEST_F(GvcpClientTest, UnalignedReadCoversAlignedWordsAndReturnsRequestedBytes)
{
    device.Poke(0x100, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    uint8_t bytes[5] = {};
    ASSERT_TRUE(client.ReadMemory(0x102, bytes, sizeof bytes).IsOK());
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 5), (std::vector<uint8_t>{2, 3, 4, 5, 6}));
    const auto received = device.Received();
    ASSERT_EQ(received.size(), 1u);
    ky::gev::ReadMemCmd command;
    ASSERT_EQ(ky::gev::Parse(received[0].data(), received[0].size(), command), ky::gev::CodecError::Ok);
    EXPECT_EQ(command.address, 0x100u);
    EXPECT_EQ(command.count, 8u);
}

TEST_F(GvcpClientTest, LongReadIsSplitIntoBlocksOfAtMost536Bytes)
{
    std::vector<uint8_t> pattern(1000);
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = uint8_t(i * 7);
    device.Poke(0x200, pattern);
    std::vector<uint8_t> bytes(pattern.size());
    ASSERT_TRUE(client.ReadMemory(0x200, bytes.data(), bytes.size()).IsOK());
    EXPECT_EQ(bytes, pattern);
    EXPECT_EQ(device.Received().size(), 2u);  // 536 + 464
}

TEST_F(GvcpClientTest, UnalignedWriteKeepsNeighbouringBytes)
{
    device.Poke(0x300, {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7});
    const uint8_t bytes[3] = {1, 2, 3};
    ASSERT_TRUE(client.WriteMemory(0x303, bytes, sizeof bytes).IsOK());
    EXPECT_EQ(device.Peek(0x300, 8), (std::vector<uint8_t>{0xA0, 0xA1, 0xA2, 1, 2, 3, 0xA6, 0xA7}));
}

TEST_F(GvcpClientTest, FailedReadZeroesTheDestination)
{
    uint8_t bytes[8];
    std::memset(bytes, 0xEE, sizeof bytes);
    const KyResult result = client.ReadMemory(0x2000, bytes, sizeof bytes);  // beyond the device's memory
    EXPECT_EQ(result.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_STREQ(result.GetDescription().GetAscii(), "READMEM_CMD at 0x00002000: the device has no register "
                                                     "at this address (status INVALID_ADDRESS, 0x8003).");
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 8), std::vector<uint8_t>(8, 0));
}

TEST_F(GvcpClientTest, RangesBeyondTheAddressSpaceAndUnalignedRegistersAreRefusedLocally)
{
    uint8_t byte = 0;
    EXPECT_EQ(client.ReadMemory(0xFFFFFFFF, &byte, 2).GetCode(), KY_INVALID_PARAMETER);
    uint32_t value = 0;
    EXPECT_EQ(client.ReadRegister(0x0A02, value).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_TRUE(device.Received().empty());
}

TEST_F(GvcpClientTest, WriteWithoutAcknowledgeDoesNotWait)
{
    device.SetScript([](size_t, const Packet &, const Packet &) { return std::vector<Reply>{}; });
    EXPECT_TRUE(client.WriteRegister(kRegister, 7, false).IsOK());
}

// A device that answers every command with PENDING_ACK and nothing else: the command fails with a
// time-out at its ceiling, counted, instead of holding the link (and its lock) for as long as
// the device likes.
struct PendingOnlyCase
{
    const char *name;
    ScriptedGvcpDevice::Script script;
};

void PrintTo(const PendingOnlyCase &c, std::ostream *out) { *out << c.name; }

const PendingOnlyCase kPendingOnlyCases[] = {
    {"one_pending_ack_announcing_a_minute",
     [](size_t, const Packet &command, const Packet &) {
         return std::vector<Reply>{{PendingAck(RequestId(command), 60000), 0ms}};
     }},
    // Each acknowledgement announces more than the ceiling, so that a late one on a loaded machine
    // cannot end the command early as unanswered: only the ceiling may end it.
    {"pending_ack_every_20ms_for_a_minute",
     [](size_t, const Packet &command, const Packet &) {
         return std::vector<Reply>(3000, Reply{PendingAck(RequestId(command), 700), 20ms});
     }},
};

const char *const kCeilingText = "The device at 127.0.0.1 kept READREG_CMD at 0x00000A00 pending beyond the "
                                 "longest wait of a command (600 ms).";

class PendingOnlyCases : public GvcpClientTest, public ::testing::WithParamInterface<PendingOnlyCase>
{
};

TEST_P(PendingOnlyCases, CommandTimesOutAtTheCeiling)
{
    device.SetScript(GetParam().script);
    UseCeiling();
    uint32_t value = 0xFFFFFFFF;
    std::future<KyResult> read =
        std::async(std::launch::async, [&] { return client.ReadRegister(kRegister, value); });
    // Only a hang comes near this bound: the device would keep the command pending for minutes.
    ASSERT_EQ(read.wait_for(30s), std::future_status::ready) << "the command stays pending";
    const KyResult result = read.get();
    EXPECT_EQ(result.GetCode(), KY_TIMEOUT);
    EXPECT_STREQ(result.GetDescription().GetAscii(), kCeilingText);
    EXPECT_EQ(value, 0u);
    const GvcpClient::Statistics statistics = client.GetStatistics();
    EXPECT_GE(statistics.pendingAcks, 1u);
    EXPECT_EQ(statistics.pendingCeilings, 1u);
}

INSTANTIATE_TEST_SUITE_P(Script, PendingOnlyCases, ::testing::ValuesIn(kPendingOnlyCases),
                         [](const ::testing::TestParamInfo<PendingOnlyCase> &info) {
                             return info.param.name;
                         });

TEST_F(GvcpClientTest, ACommandWaitingBehindAPendingOneGoesOutWhenItsCeilingIsReached)
{
    device.SetScript([](size_t, const Packet &command, const Packet &) {
        return std::vector<Reply>{{PendingAck(RequestId(command), 60000), 0ms}};
    });
    UseCeiling();
    uint32_t value = 0;
    std::future<KyResult> read =
        std::async(std::launch::async, [&] { return client.ReadRegister(kRegister, value); });
    for (int i = 0; i < 1000 && device.Received().empty(); ++i)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(device.Received().size(), 1u);
    // The read holds the link; the write waits for it on another thread.
    std::future<KyResult> write =
        std::async(std::launch::async, [&] { return client.WriteRegister(kRegister, 5); });
    ASSERT_EQ(read.wait_for(30s), std::future_status::ready) << "the read stays pending";
    ASSERT_EQ(write.wait_for(30s), std::future_status::ready) << "the write is stuck behind the read";
    EXPECT_EQ(read.get().GetCode(), KY_TIMEOUT);
    const KyResult written = write.get();
    EXPECT_EQ(written.GetCode(), KY_TIMEOUT);
    EXPECT_STREQ(
        written.GetDescription().GetAscii(),
        "The device at 127.0.0.1 kept WRITEREG_CMD at 0x00000A00 pending beyond the longest wait of a "
        "command (600 ms).");
    const auto received = device.Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1][3], static_cast<uint8_t>(ky::gev::Command::WRITEREG_CMD));
    EXPECT_EQ(client.GetStatistics().pendingCeilings, 2u);
}

}  // namespace
