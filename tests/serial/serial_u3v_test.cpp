// KyDeviceSerialPort on the UART of a soft USB3 Vision camera, through GenCP: the same register
// block as on a GigE Vision device, its registers little-endian as USB3 Vision carries them.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ky/device/KyDevice.h"
#include "ky/device/KyDeviceAdapter.h"
#include "ky/serial/KyDeviceSerialPort.h"
#include "u3vdevice/SoftU3vDeclarations.h"

namespace {

constexpr const char *kGuid = "5E41A1000001";

TEST(SerialPortU3v, WhatIsWrittenIsReadBackAcrossTheWindows)
{
    ky::soft::SoftU3vSettings settings;
    settings.guid = kGuid;
    ASSERT_TRUE(ky::soft::SoftU3vDeclarations::Plug(settings).IsOK());
    KyResult result;
    KyDevice *device = KyDevice::CreateAndConnect(KyString(kGuid), &result);
    ASSERT_NE(device, nullptr) << result.GetDescription().GetAscii();
    {
        KyDeviceAdapter adapter(device);
        EXPECT_TRUE(adapter.IsUSB3Vision());
        EXPECT_TRUE(KyDeviceSerialPort::IsSupported(&adapter, KyDeviceSerial0));
        KyDeviceSerialPort port;
        ASSERT_TRUE(port.Open(&adapter, KyDeviceSerial0).IsOK());
        std::vector<uint8_t> message(600);
        for (size_t k = 0; k < message.size(); ++k)
            message[k] = static_cast<uint8_t>(k * 7 + 1);
        uint32_t written = 0;
        ASSERT_TRUE(port.Write(message.data(), static_cast<uint32_t>(message.size()), written).IsOK());
        EXPECT_EQ(written, message.size());
        std::vector<uint8_t> back(message.size());
        uint32_t read = 0;
        ASSERT_TRUE(port.Read(back.data(), static_cast<uint32_t>(back.size()), read, 5000).IsOK());
        EXPECT_EQ(read, message.size());
        EXPECT_EQ(back, message);
        EXPECT_EQ(port.GetBytesSent(), message.size());
        ASSERT_TRUE(port.Close().IsOK());
    }
    KyDevice::Free(device);
    ASSERT_TRUE(ky::soft::SoftU3vDeclarations::Unplug(kGuid).IsOK());
}

}  // namespace
