// The USB3 Vision stream: leader and trailer codecs, the host's block assembler fed by hand for
// every way a block can go wrong, and pixel-exact frames from the device's sender over the
// simulated link.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "TestDeadline.h"
#include "u3v/LittleEndian.h"
#include "u3v/SimUsbBus.h"
#include "u3v/U3vBlockAssembler.h"
#include "u3v/U3vStreamSender.h"

using namespace ky::u3v;

namespace {

U3vImageLeader Leader(uint64_t blockId, uint32_t width = 16, uint32_t height = 4)
{
    U3vImageLeader leader;
    leader.blockId = blockId;
    leader.timestamp = 1000 + blockId;
    leader.pixelFormat = 0x01080001;  // Mono8
    leader.width = width;
    leader.height = height;
    leader.offsetX = 2;
    leader.offsetY = 3;
    leader.paddingX = 1;
    return leader;
}

std::vector<uint8_t> Pattern(uint64_t blockId, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> image(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            image[size_t(y) * width + x] = static_cast<uint8_t>(x + 3 * y + blockId);
        }
    }
    return image;
}

TEST(U3vStreamFormat, LeaderAndTrailerRoundTrip)
{
    std::vector<uint8_t> bytes;
    const U3vImageLeader leader = Leader(77);
    BuildImageLeader(leader, bytes);
    ASSERT_EQ(bytes.size(), U3V_IMAGE_LEADER_SIZE);
    U3vImageLeader parsed;
    ASSERT_EQ(ParseImageLeader(bytes.data(), bytes.size(), parsed), U3vStreamError::Ok);
    EXPECT_EQ(parsed.blockId, 77u);
    EXPECT_EQ(parsed.timestamp, 1077u);
    EXPECT_EQ(parsed.pixelFormat, 0x01080001u);
    EXPECT_EQ(parsed.width, 16u);
    EXPECT_EQ(parsed.height, 4u);
    EXPECT_EQ(parsed.offsetX, 2u);
    EXPECT_EQ(parsed.offsetY, 3u);
    EXPECT_EQ(parsed.paddingX, 1u);

    U3vImageTrailer trailer;
    trailer.blockId = 77;
    trailer.validPayloadSize = 64;
    trailer.height = 4;
    BuildImageTrailer(trailer, bytes);
    U3vImageTrailer back;
    ASSERT_EQ(ParseImageTrailer(bytes.data(), bytes.size(), back), U3vStreamError::Ok);
    EXPECT_EQ(back.blockId, 77u);
    EXPECT_EQ(back.validPayloadSize, 64u);
    EXPECT_EQ(back.height, 4u);
}

TEST(U3vStreamFormat, MalformedLeadersAreRefused)
{
    std::vector<uint8_t> good;
    BuildImageLeader(Leader(1), good);
    std::vector<uint8_t> cut(good.begin(), good.end() - 1);
    std::vector<uint8_t> smallSize = good;
    PutLe16(smallSize.data() + 6, 20);
    std::vector<uint8_t> otherPayload = good;
    PutLe16(otherPayload.data() + 18, 0x4000);
    U3vImageLeader leader;
    EXPECT_EQ(ParseImageLeader(cut.data(), cut.size(), leader), U3vStreamError::BadSize);
    EXPECT_EQ(ParseImageLeader(smallSize.data(), smallSize.size(), leader), U3vStreamError::BadSize);
    EXPECT_EQ(ParseImageLeader(otherPayload.data(), otherPayload.size(), leader),
              U3vStreamError::UnknownPayload);
    EXPECT_EQ(ParseImageLeader(good.data(), 6, leader), U3vStreamError::TooShort);
    EXPECT_EQ(ParseImageLeader(nullptr, 52, leader), U3vStreamError::NotThisKind);
    U3vImageTrailer trailer;
    EXPECT_EQ(ParseImageTrailer(good.data(), good.size(), trailer), U3vStreamError::NotThisKind);
}

// What the assembler makes of transfer sequences.
struct Step
{
    enum Kind { Lead, Data, Trail, BadTrail } kind;
    uint64_t blockId;
    size_t bytes;  // payload size (Data) or the trailer's valid payload size
    uint16_t status;
};

TEST(U3vBlockAssembler, SequencesEndWithTheRightStatus)
{
    struct Case
    {
        const char *what;
        std::vector<Step> steps;
        size_t capacity;
        std::vector<U3vBlockStatus> expected;
        uint64_t stray;
    };
    const Case cases[] = {
        {"complete",
         {{Step::Lead, 1, 0, 0}, {Step::Data, 0, 40, 0}, {Step::Data, 0, 24, 0}, {Step::Trail, 1, 64, 0}},
         64,
         {U3vBlockStatus::Complete},
         0},
        {"leader before trailer",
         {{Step::Lead, 1, 0, 0},
          {Step::Data, 0, 10, 0},
          {Step::Lead, 2, 0, 0},
          {Step::Data, 0, 8, 0},
          {Step::Trail, 2, 8, 0}},
         64,
         {U3vBlockStatus::Incomplete, U3vBlockStatus::Complete},
         0},
        {"overrun",
         {{Step::Lead, 1, 0, 0}, {Step::Data, 0, 100, 0}, {Step::Trail, 1, 100, 0}},
         64,
         {U3vBlockStatus::Overrun},
         0},
        {"short payload",
         {{Step::Lead, 1, 0, 0}, {Step::Data, 0, 30, 0}, {Step::Trail, 1, 64, 0}},
         64,
         {U3vBlockStatus::SizeMismatch},
         0},
        {"device error",
         {{Step::Lead, 1, 0, 0}, {Step::Data, 0, 64, 0}, {Step::Trail, 1, 64, 0x8001}},
         64,
         {U3vBlockStatus::DeviceError},
         0},
        {"other block's trailer",
         {{Step::Lead, 1, 0, 0}, {Step::Data, 0, 64, 0}, {Step::Trail, 9, 64, 0}},
         64,
         {U3vBlockStatus::WrongBlockId},
         0},
        {"stray payload and trailer",
         {{Step::Data, 0, 10, 0}, {Step::Trail, 1, 10, 0}, {Step::Lead, 1, 0, 0}, {Step::Trail, 1, 0, 0}},
         64,
         {U3vBlockStatus::Complete},
         2},
        {"malformed trailer ignored",
         {{Step::Lead, 1, 0, 0}, {Step::Data, 0, 4, 0}, {Step::BadTrail, 1, 4, 0}, {Step::Trail, 1, 4, 0}},
         64,
         {U3vBlockStatus::Complete},
         0},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> destination(c.capacity + 16, 0xEE);
        U3vBlockAssembler assembler;
        assembler.SetDestination(destination.data(), c.capacity);
        std::vector<U3vBlockStatus> seen;
        for (const Step &step : c.steps) {
            std::vector<uint8_t> transfer;
            if (step.kind == Step::Lead) {
                BuildImageLeader(Leader(step.blockId), transfer);
            } else if (step.kind == Step::Data) {
                transfer.assign(step.bytes, 0x11);
            } else {
                U3vImageTrailer trailer;
                trailer.blockId = step.blockId;
                trailer.validPayloadSize = step.bytes;
                trailer.status = step.status;
                BuildImageTrailer(trailer, transfer);
                if (step.kind == Step::BadTrail) {
                    transfer.resize(10);
                }
            }
            U3vBlock block;
            if (assembler.Feed(transfer.data(), transfer.size(), block)) {
                seen.push_back(block.status);
            }
        }
        EXPECT_EQ(seen, c.expected) << c.what;
        EXPECT_EQ(assembler.Counters().strayTransfers, c.stray) << c.what;
        for (size_t k = c.capacity; k < destination.size(); ++k) {
            ASSERT_EQ(destination[k], 0xEE) << c.what << ": written past the destination";
        }
    }
}

TEST(U3vStream, FramesArrivePixelExactOverTheSimulatedLink)
{
    SimUsbLink link(8);
    constexpr uint32_t width = 64;
    constexpr uint32_t height = 48;
    constexpr uint64_t frames = 20;
    TransferStatus sendStatus = TransferStatus::Ok;
    std::thread device([&] {
        for (uint64_t id = 1; id <= frames && sendStatus == TransferStatus::Ok; ++id) {
            const std::vector<uint8_t> image = Pattern(id, width, height);
            sendStatus = SendImageBlock(link.Device(SimPipe::Stream), Leader(id, width, height), image.data(),
                                        image.size(), 1000, TestDeadlineMs(5000));
        }
    });
    U3vBlockAssembler assembler;
    std::vector<uint8_t> frame(width * height);
    std::vector<uint8_t> transfer(4096);
    uint64_t good = 0;
    for (uint64_t expected = 1; expected <= frames;) {
        assembler.SetDestination(frame.data(), frame.size());
        size_t received = 0;
        TransferStatus status =
            link.Host(SimPipe::Stream).Read(transfer.data(), transfer.size(), received, TestDeadlineMs(5000));
        ASSERT_EQ(status, TransferStatus::Ok);
        U3vBlock block;
        if (!assembler.Feed(transfer.data(), received, block)) {
            continue;
        }
        EXPECT_EQ(block.status, U3vBlockStatus::Complete);
        EXPECT_EQ(block.leader.blockId, expected);
        EXPECT_EQ(block.leader.width, width);
        EXPECT_EQ(block.trailer.height, height);
        EXPECT_EQ(frame, Pattern(expected, width, height)) << "frame " << expected;
        good += frame == Pattern(expected, width, height) ? 1 : 0;
        ++expected;
    }
    device.join();
    EXPECT_EQ(sendStatus, TransferStatus::Ok);
    EXPECT_EQ(good, frames);
}

TEST(U3vStream, UnplugStopsTheSender)
{
    SimUsbLink link;
    link.Unplug();
    const std::vector<uint8_t> image = Pattern(1, 8, 8);
    EXPECT_EQ(
        SendImageBlock(link.Device(SimPipe::Stream), Leader(1, 8, 8), image.data(), image.size(), 16, 100),
        TransferStatus::Disconnected);
}

}  // namespace
