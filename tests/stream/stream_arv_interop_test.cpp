// Our receiver on aravis's fake GigE Vision camera: acquisition started through the camera's
// own GenICam file, frames intact. What the camera draws is learned from a frame that aravis's
// own receiver grabbed (arv_frame.py): a diagonal ramp, pixel (x, y) = (x + y + offset) mod 255,
// where the offset follows the frame id.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ky/apputils/KyAcquisitionStateManager.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyStreamGEV.h"
#include "SpawnedProcess.h"
#include "ky/device/KyGevConstants.h"
#include "internal/GevResendRoutes.h"

using namespace std::chrono_literals;

namespace {

const char *const kCameraIP = "127.0.0.1";

// Connects once the camera answers (it needs a moment to start).
KyDevice *Connect(const char *ip, KyResult &result)
{
    for (int i = 0; i < 50; ++i) {
        if (KyDevice *device = KyDevice::CreateAndConnect(KyString(ip), &result))
            return device;
        std::this_thread::sleep_for(100ms);
    }
    return nullptr;
}

struct Frame
{
    uint64_t id = 0;
    uint32_t width = 0, height = 0, pixelFormat = 0;
    std::vector<uint8_t> pixels;
};

// The ramp's offset if every pixel follows it, else -1.
int RampOffset(const uint8_t *pixels, uint32_t width, uint32_t height)
{
    const int offset = pixels[0];
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            if (pixels[size_t(y) * width + x] != (x + y + offset) % 255)
                return -1;
    return offset;
}

bool GrabWithAravis(Frame &frame)
{
    const std::string path = "/tmp/ky-arv-frame-" + std::to_string(::getpid()) + ".bin";
    const std::string command =
        std::string("/usr/bin/python3 ") + KY_ARV_FRAME_SCRIPT + " " + kCameraIP + " " + path;
    if (std::system(command.c_str()) != 0)
        return false;
    std::ifstream in(path, std::ios::binary);
    in >> frame.id >> frame.width >> frame.height >> frame.pixelFormat;
    in.get();
    frame.pixels.resize(size_t(frame.width) * frame.height);
    in.read(reinterpret_cast<char *>(frame.pixels.data()), static_cast<std::streamsize>(frame.pixels.size()));
    const bool ok = static_cast<bool>(in);
    std::remove(path.c_str());
    return ok;
}

// Our frames: acquisition started through the camera's GenICam file by the state manager.
// Gives the ramp offset of each frame less its block id (mod 255), -1 for a frame that is not
// a ramp.
std::vector<int> GrabWithOurReceiver(KyDevice *device, uint32_t &width, uint32_t &height)
{
    std::vector<int> offsets;
    auto *gev = dynamic_cast<KyDeviceGEV *>(device);
    EXPECT_NE(gev, nullptr);
    KyStreamGEV stream;
    EXPECT_TRUE(stream.Open(KyString(kCameraIP)).IsOK());
    EXPECT_TRUE(gev->SetStreamDestination(stream.GetLocalIPAddress(), stream.GetLocalPort()).IsOK());
    KyPipeline pipeline(&stream);
    EXPECT_TRUE(pipeline.SetBufferCount(8).IsOK());
    EXPECT_TRUE(pipeline.Start().IsOK());
    KyAcquisitionStateManager manager(device, &stream);
    KyResult result = manager.Start();
    EXPECT_TRUE(result.IsOK()) << result.GetDescription().GetAscii();
    EXPECT_EQ(manager.GetState(), KyAcquisitionStateLocked);
    for (int i = 0; i < 5 && result.IsOK(); ++i) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        if (!pipeline.RetrieveNextBuffer(&buffer, 5000, &operation).IsOK())
            break;
        EXPECT_TRUE(operation.IsOK()) << operation.GetDescription().GetAscii();
        const KyImage *image = buffer->GetImage();
        EXPECT_EQ(image->GetPixelType(), KyPixelMono8);
        width = image->GetWidth();
        height = image->GetHeight();
        EXPECT_EQ(buffer->GetAcquiredSize(), width * height);
        const int offset = RampOffset(buffer->GetDataPointer(), width, height);
        offsets.push_back(offset < 0 ? -1
                                     : (offset + 255 - static_cast<int>(buffer->GetBlockID() % 255)) % 255);
        EXPECT_TRUE(pipeline.ReleaseBuffer(buffer).IsOK());
    }
    EXPECT_TRUE(manager.Stop().IsOK());
    EXPECT_EQ(manager.GetState(), KyAcquisitionStateUnlocked);
    EXPECT_TRUE(pipeline.Stop().IsOK());
    return offsets;
}

}  // namespace

TEST(StreamArvInterop, OurReceiverGetsTheFakeCameraFramesIntact)
{
    SpawnedProcess camera{{"arv-fake-gv-camera-0.8", "-i", kCameraIP}};
    ASSERT_TRUE(camera.Started());
    KyResult result;
    KyDevice *device = Connect(kCameraIP, result);
    ASSERT_NE(device, nullptr) << "arv-fake-gv-camera-0.8 did not answer: "
                               << result.GetDescription().GetAscii();
    uint32_t width = 0, height = 0;
    const std::vector<int> ours = GrabWithOurReceiver(device, width, height);
    // Our streams ask the camera for lost packets from the controlling connection's socket. The
    // fake camera knows no PACKETRESEND: a request must leave it answering and in our control.
    EXPECT_EQ(ky::device::GevResendRoutes::Instance().Send(0x7F000001, 0, 1, 0, 3),
              ky::device::GevResendRoutes::Outcome::Sent);
    uint32_t ccp = 0;
    EXPECT_TRUE(static_cast<KyDeviceGEV *>(device)->ReadRegister(ky::gev::CCP_OFFSET, ccp).IsOK());
    EXPECT_NE(ccp & ky::gev::CCP_EXCLUSIVE_MASK, 0u) << "exclusive control, the default";
    KyDevice::Free(device);  // gives the control channel back for aravis's client

    // What the camera draws, as aravis's own receiver sees it.
    Frame reference;
    ASSERT_TRUE(GrabWithAravis(reference)) << "aravis's receiver got no frame";
    ASSERT_EQ(reference.pixelFormat, static_cast<uint32_t>(KyPixelMono8));
    const int referenceOffset = RampOffset(reference.pixels.data(), reference.width, reference.height);
    ASSERT_GE(referenceOffset, 0) << "the fake camera no longer draws the diagonal ramp";
    EXPECT_EQ(static_cast<uint64_t>(referenceOffset), reference.id % 255);

    EXPECT_EQ(width, reference.width);
    EXPECT_EQ(height, reference.height);
    EXPECT_EQ(ours, std::vector<int>(5, 0)) << "each of our frames is the ramp of its block id";
}
