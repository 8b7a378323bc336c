// KyDeviceSerialPort on a soft device's UART (looped back) over the control link, on the loopback
// adapter in the test's private network namespace: what is written is read back, counters and
// the receive buffer, write progress seen from another thread at a slow rate, read time-outs,
// echo sinks and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ky/device/KyDevice.h"
#include "ky/device/KyDeviceAdapter.h"
#include "ky/device/KySerialRegisters.h"
#include "ky/serial/KyDeviceSerialPort.h"
#include "ky/serial/KyDeviceSerialPortEchoSink.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"

using namespace ky::serial;

namespace {

class CountingEcho : public KyDeviceSerialPortEchoSink
{
public:
    void OnDataSent(KyDeviceSerialPort *, const uint8_t *, uint32_t length) override { sent += length; }
    void OnDataReceived(KyDeviceSerialPort *, const uint8_t *, uint32_t length) override
    {
        received += length;
    }
    void OnReadComplete(KyDeviceSerialPort *) override { ++completes; }
    std::atomic<uint32_t> sent{0}, received{0}, completes{0};
};

class SerialPort : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(camera.Start("00:00:00:00:00:00").IsOK());
        KyResult result;
        device = KyDevice::CreateAndConnect(KyString("127.0.0.1"), &result);
        ASSERT_NE(device, nullptr) << result.GetDescription().GetAscii();
        adapter = std::make_unique<KyDeviceAdapter>(device);
    }
    void TearDown() override
    {
        port.reset();
        adapter.reset();
        KyDevice::Free(device);
    }

    KySoftDeviceGEV camera;
    KyDevice *device = nullptr;
    std::unique_ptr<KyDeviceAdapter> adapter;
    std::unique_ptr<KyDeviceSerialPort> port = std::make_unique<KyDeviceSerialPort>();
};

TEST_F(SerialPort, WhatIsWrittenIsReadBack)
{
    EXPECT_TRUE(KyDeviceSerialPort::IsSupported(adapter.get(), KyDeviceSerial0));
    EXPECT_FALSE(KyDeviceSerialPort::IsSupported(adapter.get(), KyDeviceSerial1));
    EXPECT_FALSE(KyDeviceSerialPort::IsSupported(nullptr, KyDeviceSerial0));
    ASSERT_TRUE(port->Open(adapter.get(), KyDeviceSerial0).IsOK());
    EXPECT_TRUE(port->IsOpened());
    EXPECT_EQ(port->Open(adapter.get(), KyDeviceSerial0).GetCode(), KY_STATE_ERROR);

    const std::vector<uint8_t> message{'A', 'B'};
    uint32_t written = 0;
    ASSERT_TRUE(port->Write(message.data(), 2, written).IsOK());
    EXPECT_EQ(written, 2u);
    uint32_t ready = 0;
    ASSERT_TRUE(port->GetRxBytesReady(ready).IsOK());
    EXPECT_EQ(ready, 2u);

    std::vector<uint8_t> buffer(16, 0xEE);
    uint32_t read = 99;
    EXPECT_EQ(port->Read(buffer.data(), 16, read, 100).GetCode(), KY_TIMEOUT);
    ASSERT_EQ(read, 2u);
    EXPECT_EQ(buffer[0], 'A');
    EXPECT_EQ(buffer[1], 'B');
    EXPECT_EQ(port->GetBytesSent(), 2u);
    EXPECT_EQ(port->GetBytesReceived(), 2u);
    port->ResetStatistics();
    EXPECT_EQ(port->GetBytesSent(), 0u);
    EXPECT_EQ(port->GetBytesReceived(), 0u);
    ASSERT_TRUE(port->Close().IsOK());
    EXPECT_FALSE(port->IsOpened());
}

TEST_F(SerialPort, LongMessagesCrossTheWindowIntact)
{
    ASSERT_TRUE(adapter->WriteRegister(SERIAL_BAUD_RATE_OFFSET, SERIAL_BAUD_RATE_MAX).IsOK());
    ASSERT_TRUE(port->Open(adapter.get(), KyDeviceSerial0).IsOK());
    std::vector<uint8_t> message(3001);
    for (size_t i = 0; i < message.size(); ++i)
        message[i] = static_cast<uint8_t>(i * 7 + 3);
    uint32_t written = 0;
    ASSERT_TRUE(port->Write(message.data(), static_cast<uint32_t>(message.size()), written).IsOK());
    EXPECT_EQ(written, message.size());
    std::vector<uint8_t> back(message.size());
    uint32_t read = 0;
    ASSERT_TRUE(port->Read(back.data(), static_cast<uint32_t>(back.size()), read, 5000).IsOK());
    EXPECT_EQ(back, message);
}

TEST_F(SerialPort, ProgressIsSeenFromAnotherThreadDuringASlowWrite)
{
    // 2400 bits/s: 240 bytes a second, so 120 bytes take half a second on the line.
    ASSERT_TRUE(adapter->WriteRegister(SERIAL_BAUD_RATE_OFFSET, 2400).IsOK());
    ASSERT_TRUE(port->Open(adapter.get(), KyDeviceSerial0).IsOK());
    std::vector<uint8_t> message(120, 'x');
    std::atomic<bool> done{false};
    std::thread writer([&] {
        uint32_t written = 0;
        EXPECT_TRUE(port->Write(message.data(), 120, written).IsOK());
        done = true;
    });
    std::vector<uint32_t> seen;
    while (!done) {
        uint32_t written = 0, total = 0;
        EXPECT_TRUE(port->GetWriteProgress(written, total).IsOK());
        if (total == 120 && written > 0 && written < 120 && (seen.empty() || seen.back() != written))
            seen.push_back(written);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    writer.join();
    EXPECT_GE(seen.size(), 2u) << "no partial progress observed";
    uint32_t written = 0, total = 0;
    ASSERT_TRUE(port->GetWriteProgress(written, total).IsOK());
    EXPECT_EQ(written, 120u);
    EXPECT_EQ(total, 120u);
}

TEST_F(SerialPort, ReceiveBufferCapacityAndFlush)
{
    ASSERT_TRUE(port->Open(adapter.get(), KyDeviceSerial0).IsOK());
    uint32_t capacity = 0;
    ASSERT_TRUE(port->GetRxBufferSize(capacity).IsOK());
    EXPECT_GT(capacity, 0u);
    ASSERT_TRUE(port->SetRxBufferSize(4).IsOK());
    const uint8_t message[] = {1, 2, 3, 4, 5, 6};
    uint32_t written = 0;
    ASSERT_TRUE(port->Write(message, 6, written).IsOK());
    uint32_t ready = 0;
    ASSERT_TRUE(port->GetRxBytesReady(ready).IsOK());
    EXPECT_EQ(ready, 4u);
    EXPECT_EQ(port->SetRxBufferSize(2).GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(port->SetRxBufferSize(0).GetCode(), KY_INVALID_PARAMETER);
    // The bytes that did not fit waited in the device: nothing is lost.
    uint8_t back[6] = {};
    uint32_t read = 0;
    ASSERT_TRUE(port->Read(back, 6, read, 1000).IsOK());
    EXPECT_EQ(std::vector<uint8_t>(back, back + 6), std::vector<uint8_t>(message, message + 6));

    ASSERT_TRUE(port->Write(message, 3, written).IsOK());
    ASSERT_TRUE(port->FlushRxBuffer().IsOK());
    ASSERT_TRUE(port->GetRxBytesReady(ready).IsOK());
    EXPECT_EQ(ready, 0u);
}

TEST_F(SerialPort, BytesTheDeviceDroppedOnOverflowAreToldByTheNextRead)
{
    // A receive buffer of 4 bytes: the rest waits in the device, whose FIFO then fills up and
    // drops what comes beyond it.
    ASSERT_TRUE(adapter->WriteRegister(SERIAL_BAUD_RATE_OFFSET, SERIAL_BAUD_RATE_MAX).IsOK());
    ASSERT_TRUE(port->Open(adapter.get(), KyDeviceSerial0).IsOK());
    ASSERT_TRUE(port->SetRxBufferSize(4).IsOK());
    const uint32_t kept = 4 + SERIAL_RX_FIFO_SIZE, dropped = 100;
    std::vector<uint8_t> message(kept + dropped);
    for (size_t i = 0; i < message.size(); ++i)
        message[i] = static_cast<uint8_t>(i * 13 + 1);
    uint32_t written = 0;
    ASSERT_TRUE(port->Write(message.data(), static_cast<uint32_t>(message.size()), written).IsOK());
    ASSERT_EQ(written, message.size());
    ASSERT_TRUE(port->SetRxBufferSize(kept).IsOK());

    // The read gets what was kept, in order, and says that bytes were lost.
    std::vector<uint8_t> back(message.size());
    uint32_t read = 0;
    EXPECT_EQ(port->Read(back.data(), static_cast<uint32_t>(back.size()), read, 200).GetCode(),
              KY_ERR_OVERFLOW);
    ASSERT_EQ(read, kept);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + kept, message.begin()));
    EXPECT_EQ(port->GetBytesReceived(), kept);

    // Told once: the next read, with nothing lost since, is plain.
    ASSERT_TRUE(port->Write(message.data(), 1, written).IsOK());
    EXPECT_TRUE(port->Read(back.data(), 1, read, 1000).IsOK());
    EXPECT_EQ(read, 1u);
}

TEST_F(SerialPort, ClosedPortsAndBadArgumentsAreRefused)
{
    uint8_t buffer[4] = {};
    uint32_t count = 7;
    EXPECT_EQ(port->Read(buffer, 4, count, 0).GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(count, 0u);
    count = 7;
    EXPECT_EQ(port->Write(buffer, 4, count).GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(port->GetRxBytesReady(count).GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(port->FlushRxBuffer().GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(port->Open(nullptr, KyDeviceSerial0).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(port->Open(adapter.get(), KyDeviceSerialBulk0).GetCode(), KY_NOT_SUPPORTED);
    KyDeviceAdapter detached(nullptr);
    EXPECT_EQ(port->Open(&detached, KyDeviceSerial0).GetCode(), KY_NOT_CONNECTED);
    ASSERT_TRUE(port->Open(adapter.get(), KyDeviceSerial0).IsOK());
    EXPECT_EQ(port->Read(nullptr, 4, count, 0).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(port->Write(nullptr, 4, count).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_TRUE(port->Read(nullptr, 0, count, 0).IsOK());
    EXPECT_EQ(adapter->WriteRegister(SERIAL_BAUD_RATE_OFFSET, 1).GetCode() == KY_OK, false);
}

TEST_F(SerialPort, EchoSinksSeeTheTraffic)
{
    CountingEcho echo;
    EXPECT_EQ(KyDeviceSerialPort::RegisterEchoSink(nullptr).GetCode(), KY_INVALID_PARAMETER);
    ASSERT_TRUE(KyDeviceSerialPort::RegisterEchoSink(&echo).IsOK());
    EXPECT_EQ(KyDeviceSerialPort::RegisterEchoSink(&echo).GetCode(), KY_INVALID_PARAMETER);
    ASSERT_TRUE(port->Open(adapter.get(), KyDeviceSerial0).IsOK());
    const uint8_t message[] = {'h', 'i', '!'};
    uint32_t written = 0, read = 0;
    ASSERT_TRUE(port->Write(message, 3, written).IsOK());
    uint8_t back[3] = {};
    ASSERT_TRUE(port->Read(back, 3, read, 1000).IsOK());
    ASSERT_TRUE(port->NotifyReadComplete().IsOK());
    EXPECT_TRUE(KyDeviceSerialPort::UnregisterEchoSink(&echo).IsOK());
    EXPECT_EQ(KyDeviceSerialPort::UnregisterEchoSink(&echo).GetCode(), KY_NOT_FOUND);
    EXPECT_EQ(echo.sent, 3u);
    EXPECT_EQ(echo.received, 3u);
    EXPECT_EQ(echo.completes, 1u);
}

}  // namespace
