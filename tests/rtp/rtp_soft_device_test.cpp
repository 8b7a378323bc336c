// RTP from a soft camera of this process, on adapter kyc1 (10.10.1.2): images of RGB8 and H.264
// access units through KyStreamRTP, whole and exact, with the session announced by SAP while the
// channel streams and withdrawn when it stops.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AcceptLocalSources.h"
#include "StreamDrain.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyStreamRTP.h"
#include "ky/system/KySystem.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

namespace {

constexpr uint32_t kWidth = 64, kHeight = 48;
constexpr uint32_t kWaitMs = 10000;  // bound of every wait; only a hang reaches it
constexpr const char *kCameraMac = "02:00:0a:0a:01:02";
constexpr const char *kCameraAddress = "10.10.1.2";
constexpr const char *kHostAddress = "10.10.1.1";
constexpr uint16_t kPort = 20310;
constexpr const char *kGroup = "239.255.42.9";
constexpr size_t kIdrSize = 4000;  // larger than a packet: sent as FU-A fragments

using Bytes = std::vector<uint8_t>;

uint8_t Pixel(uint32_t x, uint32_t y, uint32_t c, uint32_t frame)
{
    return static_cast<uint8_t>((x * 7 + y * 3 + c * 50 + frame * 11) % 251);
}

// An access unit of frame n (below 128): SPS, PPS and an IDR slice whose bytes carry n. A NAL
// unit never ends in a zero byte (those belong to the byte stream), so n is kept in the low bits
// of a byte whose top bit is set.
Bytes AccessUnit(uint32_t n)
{
    Bytes unit;
    const std::vector<Bytes> nals = {{0x67, 0x42, 0x00, 0x1E, static_cast<uint8_t>(0x80 | (n & 0x7F))},
                                     {0x68, 0xCE, 0x38, 0x80},
                                     Bytes(kIdrSize, 0)};
    for (size_t k = 0; k < nals.size(); ++k) {
        unit.insert(unit.end(), {0, 0, 0, 1});
        const size_t at = unit.size();
        unit.insert(unit.end(), nals[k].begin(), nals[k].end());
        if (k == 2) {
            unit[at] = 0x65;
            for (size_t i = 1; i < kIdrSize; ++i)
                unit[at + i] = static_cast<uint8_t>((i * 13 + n) % 251 + 1);  // never 0: no start code
        }
    }
    return unit;
}

// The kit's test source, pacing frames, with what it sends replaced: RGB8 images that carry
// their frame number, or H.264 access units.
class FrameSource : public KyStreamingChannelSourceTestPattern
{
public:
    explicit FrameSource(bool h264)
        : KyStreamingChannelSourceTestPattern(kWidth, kHeight, KyPixelMono8, 8, 40.0), mH264(h264)
    { }

    KyPixelType GetPixelType() const override { return mH264 ? KyPixelMono8 : KyPixelRGB8; }
    KyResult GetSupportedPixelType(int aIndex, KyPixelType &aPixelType) const override
    {
        if (aIndex != 0)
            return KyResult(KY_INVALID_PARAMETER);
        aPixelType = GetPixelType();
        return KyResult();
    }
    KyResult SetPixelType(KyPixelType aPixelType) override
    {
        return aPixelType == GetPixelType() ? KyResult() : KyResult(KY_GENERIC_ERROR);
    }

    KyResult RetrieveBuffer(KyBuffer **aBuffer) override
    {
        KyResult result = KyStreamingChannelSourceTestPattern::RetrieveBuffer(aBuffer);
        if (result.IsFailure() || *aBuffer == nullptr)
            return result;
        KyBuffer &buffer = **aBuffer;
        const uint32_t n = mFrame++;
        if (mH264) {
            const Bytes unit = AccessUnit(n);
            if (buffer.GetSize() < unit.size() &&
                buffer.Alloc(static_cast<uint32_t>(unit.size())).IsFailure())
                return KyResult(KY_GENERIC_ERROR);
            std::memcpy(buffer.GetDataPointer(), unit.data(), unit.size());
            buffer.SetPayloadType(KyPayloadTypeH264);
            buffer.SetAcquiredSize(static_cast<uint32_t>(unit.size()));
            return result;
        }
        KyImage *image = buffer.GetImage();
        if (image == nullptr || image->Alloc(kWidth, kHeight, KyPixelRGB8).IsFailure())
            return KyResult(KY_GENERIC_ERROR);
        uint8_t *pixels = image->GetDataPointer();
        for (uint32_t y = 0; y < kHeight; ++y)
            for (uint32_t x = 0; x < kWidth; ++x)
                for (uint32_t c = 0; c < 3; ++c)
                    pixels[(size_t(y) * kWidth + x) * 3 + c] = Pixel(x, y, c, n);
        pixels[0] = static_cast<uint8_t>(n);
        pixels[1] = static_cast<uint8_t>(n >> 8);
        return result;
    }

private:
    const bool mH264;
    uint32_t mFrame = 0;  // channel thread only
};

uint32_t FrameNumber(const uint8_t *pixels) { return pixels[0] | (uint32_t(pixels[1]) << 8); }

bool HoldsImage(const uint8_t *pixels, uint32_t n)
{
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x)
            for (uint32_t c = 0; c < 3; ++c) {
                const size_t at = (size_t(y) * kWidth + x) * 3 + c;
                if (at > 1 && pixels[at] != Pixel(x, y, c, n))
                    return false;
            }
    return true;
}

struct Receiver
{
    KyStreamRTP stream;
    std::vector<std::unique_ptr<KyBuffer>> buffers;

    void Queue(int count, uint32_t size)
    {
        for (int i = 0; i < count; ++i) {
            buffers.push_back(std::make_unique<KyBuffer>(KyPayloadTypeImage));
            ASSERT_TRUE(buffers.back()->Alloc(size).IsOK());
            ASSERT_EQ(stream.QueueBuffer(buffers.back().get()).GetCode(), KY_PENDING);
        }
    }

    // The next `count` whole frames (one joined in its middle may come first, incomplete),
    // each checked by `check`, which gives its frame number; they must follow each other.
    void Take(int count, uint32_t (*check)(KyBuffer &))
    {
        std::vector<uint32_t> numbers;
        for (int attempt = 0; attempt < count + 8 && int(numbers.size()) < count; ++attempt) {
            KyBuffer *buffer = nullptr;
            KyResult operation;
            const KyResult got = stream.RetrieveBuffer(&buffer, &operation, kWaitMs);
            ASSERT_TRUE(got.IsOK()) << got.GetDescription().GetAscii();
            if (operation.IsOK())
                numbers.push_back(check(*buffer));
            else
                EXPECT_TRUE(numbers.empty()) << operation.GetDescription().GetAscii();
            EXPECT_EQ(stream.QueueBuffer(buffer).GetCode(), KY_PENDING);
        }
        ASSERT_EQ(numbers.size(), size_t(count));
        for (size_t i = 1; i < numbers.size(); ++i)
            EXPECT_EQ(numbers[i], numbers[i - 1] + 1);
    }

    void End() { DrainAndClose(stream, kWaitMs); }
};

uint32_t CheckImage(KyBuffer &buffer)
{
    const KyImage *image = buffer.GetImage();
    EXPECT_NE(image, nullptr);
    if (image == nullptr)
        return 0;
    EXPECT_EQ(image->GetPixelType(), KyPixelRGB8);
    const uint32_t n = FrameNumber(image->GetDataPointer());
    EXPECT_TRUE(HoldsImage(image->GetDataPointer(), n)) << "frame " << n;
    return n;
}

uint32_t CheckAccessUnit(KyBuffer &buffer)
{
    const IKyH264AccessUnit *unit = buffer.GetH264AccessUnit();
    EXPECT_NE(unit, nullptr);
    if (unit == nullptr || unit->GetDataSize() < 9)
        return 0;
    const uint32_t n = unit->GetDataPointer()[8] & 0x7F;  // the SPS's last byte
    const Bytes sent = AccessUnit(n);
    EXPECT_EQ(Bytes(unit->GetDataPointer(), unit->GetDataPointer() + unit->GetDataSize()), sent);
    return n;
}

// The sessions heard.
std::vector<KySessionInfo> SessionRecords()
{
    KySystem system;
    system.SetDetectionTimeout(3000);  // several of the device's announcements
    std::vector<KySessionInfo> out(system.DiscoverSessions());
    for (uint32_t i = 0; i < out.size(); ++i)
        EXPECT_TRUE(system.GetSessionInfo(i, out[i]).IsOK());
    KySessionInfo untouched;
    EXPECT_EQ(system.GetSessionInfo(static_cast<uint32_t>(out.size()), untouched).GetCode(), KY_NOT_FOUND);
    return out;
}

// The sessions heard, as "name address:port local".
std::vector<std::string> Sessions()
{
    std::vector<std::string> out;
    for (const KySessionInfo &info : SessionRecords())
        out.push_back(info.mName.str() + " " + info.mAddress.str() + ":" + std::to_string(info.mPort) + " " +
                      info.mLocalAddress.str());
    return out;
}

// A soft camera with RTP on the source, started on kyc1, and this process's control of it.
class RtpSoftDevice : public ::testing::Test
{
protected:
    void SetUp() override { AcceptLocalSources(1); }
    void Start(bool h264)
    {
        source = std::make_unique<FrameSource>(h264);
        ASSERT_TRUE(camera.AddStream(source.get()).IsOK());
        ASSERT_TRUE(camera.SetRTPProtocolEnabled(true).IsOK());
        ASSERT_TRUE(camera.Start(KyString(kCameraMac)).IsOK());
        ASSERT_TRUE(device.Connect(KyString(kCameraAddress)).IsOK());
    }
    void TearDown() override
    {
        EXPECT_TRUE(device.Disconnect().IsOK());
        EXPECT_TRUE(camera.Stop().IsOK());
    }

    std::unique_ptr<FrameSource> source;  // outlives the camera
    KySoftDeviceGEV camera;
    KyDeviceGEV device;
};

TEST_F(RtpSoftDevice, ImagesThroughTheDeviceFormAndTheirSession)
{
    ASSERT_NO_FATAL_FAILURE(Start(false));
    Receiver receiver;
    const KyResult opened = receiver.stream.Open(KyString(kCameraAddress));
    ASSERT_TRUE(opened.IsOK()) << opened.GetDescription().GetAscii();
    receiver.Queue(12, kWidth * kHeight * 3);
    ASSERT_TRUE(device.GetParameters()->ExecuteCommand(KyString("AcquisitionStart")).IsOK());
    receiver.Take(6, &CheckImage);
    const std::string where =
        receiver.stream.GetLocalIPAddress().str() + ":" + std::to_string(receiver.stream.GetLocalPort());
    const std::vector<std::string> heard = Sessions();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NE(heard[0].find("stream channel 0 " + where + " "), std::string::npos) << heard[0];
    ASSERT_TRUE(device.GetParameters()->ExecuteCommand(KyString("AcquisitionStop")).IsOK());
    EXPECT_TRUE(Sessions().empty());  // withdrawn, and not announced again
    receiver.End();
}

TEST_F(RtpSoftDevice, H264AccessUnitsChosenThroughTheFeature)
{
    ASSERT_NO_FATAL_FAILURE(Start(true));
    KyGenParameterArray *parameters = device.GetParameters();
    ASSERT_TRUE(parameters->SetEnumValue(KyString("GevSCProtocol"), KyString("RTP")).IsOK());
    ASSERT_TRUE(device.SetStreamDestination(KyString(kHostAddress), kPort).IsOK());
    Receiver receiver;
    ASSERT_TRUE(receiver.stream.PrepareForH264().IsOK());
    ASSERT_TRUE(receiver.stream.Open(KyString(kHostAddress), kPort).IsOK());
    receiver.Queue(12, 2 * kIdrSize);
    ASSERT_TRUE(parameters->ExecuteCommand(KyString("AcquisitionStart")).IsOK());
    // While it streams the transport cannot change.
    EXPECT_TRUE(parameters->SetEnumValue(KyString("GevSCProtocol"), KyString("GVSP")).IsFailure());
    receiver.Take(6, &CheckAccessUnit);
    EXPECT_TRUE(parameters->ExecuteCommand(KyString("AcquisitionStop")).IsOK());
    receiver.End();
}

TEST_F(RtpSoftDevice, MulticastSessionOpenedFromItsRecord)
{
    ASSERT_NO_FATAL_FAILURE(Start(false));
    ASSERT_TRUE(device.GetParameters()->SetEnumValue(KyString("GevSCProtocol"), KyString("RTP")).IsOK());
    ASSERT_TRUE(device.SetStreamDestination(KyString(kGroup), kPort).IsOK());
    ASSERT_TRUE(device.GetParameters()->ExecuteCommand(KyString("AcquisitionStart")).IsOK());
    const std::vector<KySessionInfo> heard = SessionRecords();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].mAddress, KyString(kGroup));
    EXPECT_EQ(heard[0].mPort, kPort);
    EXPECT_FALSE(heard[0].mLocalAddress.str().empty());
    Receiver receiver;
    ASSERT_TRUE(receiver.stream.PrepareFor(kWidth, kHeight, KyPixelRGB8).IsOK());
    const KyResult opened = receiver.stream.Open(heard[0].mAddress, heard[0].mPort, heard[0].mLocalAddress);
    ASSERT_TRUE(opened.IsOK()) << opened.GetDescription().GetAscii();
    receiver.Queue(12, kWidth * kHeight * 3);
    receiver.Take(4, &CheckImage);
    EXPECT_TRUE(device.GetParameters()->ExecuteCommand(KyString("AcquisitionStop")).IsOK());
    receiver.End();
}

}  // namespace
