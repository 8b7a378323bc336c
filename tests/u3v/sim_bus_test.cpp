// The simulated USB link: whole transfers in order, time-outs, stalls, and unplugging that wakes
// and fails every transfer on both sides.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "TestDeadline.h"
#include "u3v/SimUsbBus.h"

using namespace ky::u3v;

namespace {

TEST(SimUsbBus, TransfersArriveWholeAndInOrderBothWays)
{
    SimUsbLink link;
    const uint8_t first[] = {1, 2, 3};
    const uint8_t second[] = {4, 5, 6, 7, 8};
    ASSERT_EQ(link.Host(SimPipe::Control).Write(first, sizeof first, 100), TransferStatus::Ok);
    ASSERT_EQ(link.Host(SimPipe::Control).Write(second, sizeof second, 100), TransferStatus::Ok);
    uint8_t buffer[16] = {};
    size_t received = 0;
    ASSERT_EQ(link.Device(SimPipe::Control).Read(buffer, sizeof buffer, received, 100), TransferStatus::Ok);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + received), std::vector<uint8_t>(first, first + 3));
    ASSERT_EQ(link.Device(SimPipe::Control).Read(buffer, sizeof buffer, received, 100), TransferStatus::Ok);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + received), std::vector<uint8_t>(second, second + 5));

    ASSERT_EQ(link.Device(SimPipe::Control).Write(first, sizeof first, 100), TransferStatus::Ok);
    ASSERT_EQ(link.Host(SimPipe::Control).Read(buffer, sizeof buffer, received, 100), TransferStatus::Ok);
    EXPECT_EQ(received, 3u);
    // Pipes are separate: nothing came on the stream pipe.
    EXPECT_EQ(link.Host(SimPipe::Stream).Read(buffer, sizeof buffer, received, 1), TransferStatus::Timeout);
}

TEST(SimUsbBus, ReadTimesOutWhenNothingComes)
{
    SimUsbLink link;
    uint8_t buffer[4];
    size_t received = 99;
    EXPECT_EQ(link.Host(SimPipe::Event).Read(buffer, sizeof buffer, received, 5), TransferStatus::Timeout);
    EXPECT_EQ(received, 0u);
}

TEST(SimUsbBus, OversizedTransferIsDroppedAsOverflow)
{
    SimUsbLink link;
    const uint8_t data[8] = {};
    ASSERT_EQ(link.Host(SimPipe::Control).Write(data, sizeof data, 100), TransferStatus::Ok);
    uint8_t small[4];
    size_t received = 0;
    EXPECT_EQ(link.Device(SimPipe::Control).Read(small, sizeof small, received, 100),
              TransferStatus::Overflow);
    EXPECT_EQ(link.Device(SimPipe::Control).Read(small, sizeof small, received, 1), TransferStatus::Timeout);
    EXPECT_EQ(link.Host(SimPipe::Control).Write(nullptr, 3, 100), TransferStatus::Overflow);
}

TEST(SimUsbBus, FullQueueTimesOutTheWriter)
{
    SimUsbLink link(2);
    const uint8_t data[1] = {0};
    EXPECT_EQ(link.Host(SimPipe::Stream).Write(data, 1, 10), TransferStatus::Ok);
    EXPECT_EQ(link.Host(SimPipe::Stream).Write(data, 1, 10), TransferStatus::Ok);
    EXPECT_EQ(link.Host(SimPipe::Stream).Write(data, 1, 5), TransferStatus::Timeout);
}

TEST(SimUsbBus, StallHoldsUntilCleared)
{
    SimUsbLink link;
    const uint8_t data[2] = {1, 2};
    link.Device(SimPipe::Control).Stall();
    EXPECT_EQ(link.Host(SimPipe::Control).Write(data, 2, 10), TransferStatus::Stall);
    uint8_t buffer[4];
    size_t received = 0;
    EXPECT_EQ(link.Host(SimPipe::Control).Read(buffer, sizeof buffer, received, 10), TransferStatus::Stall);
    link.Host(SimPipe::Control).ClearStall();
    EXPECT_EQ(link.Host(SimPipe::Control).Write(data, 2, 10), TransferStatus::Ok);
    EXPECT_EQ(link.Device(SimPipe::Control).Read(buffer, sizeof buffer, received, 10), TransferStatus::Ok);
}

TEST(SimUsbBus, UnplugWakesAWaitingReaderAndFailsEverythingAfter)
{
    SimUsbLink link;
    TransferStatus seen = TransferStatus::Ok;
    std::thread reader([&] {
        uint8_t buffer[4];
        size_t received = 0;
        seen = link.Host(SimPipe::Event).Read(buffer, sizeof buffer, received, TestDeadlineMs(10000));
    });
    link.Unplug();
    reader.join();
    EXPECT_EQ(seen, TransferStatus::Disconnected);
    EXPECT_FALSE(link.IsPlugged());
    EXPECT_FALSE(link.Host(SimPipe::Control).IsConnected());
    const uint8_t data[1] = {0};
    EXPECT_EQ(link.Host(SimPipe::Control).Write(data, 1, 10), TransferStatus::Disconnected);
    EXPECT_EQ(link.Device(SimPipe::Stream).Write(data, 1, 10), TransferStatus::Disconnected);
    EXPECT_EQ(ToResult(TransferStatus::Disconnected).GetCode(), KY_NOT_CONNECTED);
}

}  // namespace
