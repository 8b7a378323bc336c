// Grab callbacks, camera events and link loss through the C library, against soft cameras.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CamCtrlCameras.h"
#include "TestDeadline.h"

using namespace camctrl_test;

namespace {

using Clock = std::chrono::steady_clock;

// What the callbacks saw, under one lock; the test thread waits on it (bounded).
struct Seen
{
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::thread::id> threads;
    std::vector<int> types;
    std::vector<uint64_t> blocks;
    int wrongImages = 0;
    std::vector<bnkEvent> events;
    std::vector<std::vector<uint8_t>> eventData;
    uint64_t disconnectHostTime = 0;
    int disconnects = 0;
    Clock::time_point disconnectSeen;

    // Waits until `done` holds (under the lock); false when the deadline passed first.
    bool WaitFor(uint32_t ms, const std::function<bool()> &done)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::milliseconds(TestDeadlineMs(ms)), done);
    }
    size_t Count(int type)
    {
        size_t n = 0;
        for (int t : types)
            n += t == type ? 1 : 0;
        return n;
    }
};

void OnGrab(int type, const bnkBuffer *image, void *user)
{
    auto *seen = static_cast<Seen *>(user);
    int wrong = 0;
    uint64_t block = 0;
    if (type == GrabNewImage) {
        block = image->blockId;
        if (image->imageSize != image->width * image->height || image->bytesPerPixel != 1 ||
            image->lineBytes != image->width)
            wrong = 1;
        for (uint32_t y = 0; y < image->height && !wrong; ++y)
            for (uint32_t x = 0; x < image->width && !wrong; ++x)
                wrong = image->data[size_t(y) * image->width + x] != PatternValue(x, y, image->blockId - 1);
    } else if (image != nullptr) {
        wrong = 1;
    }
    std::lock_guard<std::mutex> lock(seen->mutex);
    seen->threads.push_back(std::this_thread::get_id());
    seen->types.push_back(type);
    seen->blocks.push_back(block);
    seen->wrongImages += wrong;
    seen->changed.notify_all();
}

void OnEvent(const bnkEvent *event, void *user)
{
    auto *seen = static_cast<Seen *>(user);
    std::lock_guard<std::mutex> lock(seen->mutex);
    if (event->eventId == EventDeviceDisconnect) {
        ++seen->disconnects;
        seen->disconnectSeen = Clock::now();
        seen->disconnectHostTime = event->timestamp;
    }
    seen->events.push_back(*event);
    const auto *bytes = static_cast<const uint8_t *>(event->eventData);
    seen->eventData.emplace_back(bytes, bytes ? bytes + event->eventDataLength : bytes);
    seen->events.back().eventData = nullptr;  // valid during the call only
    seen->changed.notify_all();
}

uint64_t Big64(const std::vector<uint8_t> &bytes)
{
    uint64_t value = 0;
    for (size_t i = 0; i < 8 && i < bytes.size(); ++i)
        value = (value << 8) | bytes[i];
    return value;
}

uint64_t HostNanoseconds()
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count());
}

class Callbacks : public OpenCamera
{
protected:
    Callbacks() : OpenCamera(SERIALS[0]) { }
    std::string Notification(const char *entry)
    {
        EXPECT_EQ(ST_SetEnumReg(handle, "EventSelector", const_cast<char *>(entry)), 0) << entry;
        char text[16] = {};
        unsigned int length = sizeof text - 1;
        EXPECT_EQ(ST_GetEnumReg(handle, "EventNotification", text, &length), 0);
        return text;
    }
    Seen seen;
};

}  // namespace

TEST_F(Callbacks, NewImagesArriveOnAnotherThreadAndPollingWaits)
{
    ASSERT_EQ(ST_RegisterGrabCallback(handle, GrabNewImage, OnGrab, &seen), 0) << Last();
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0);
    EXPECT_EQ(ST_GrabImage(handle, &image), BNK_ERR_BUSY);
    ASSERT_EQ(ST_AcqStart(handle), 0);
    ASSERT_TRUE(seen.WaitFor(5000, [&] { return seen.types.size() >= 5; }));
    EXPECT_EQ(ST_GrabImage(handle, &image), BNK_ERR_BUSY);
    EXPECT_EQ(ST_AcqStop(handle), 0);
    {
        std::lock_guard<std::mutex> lock(seen.mutex);
        for (size_t i = 0; i < seen.types.size(); ++i) {
            EXPECT_EQ(seen.types[i], GrabNewImage);
            EXPECT_NE(seen.threads[i], std::this_thread::get_id());
            if (i > 0) {
                EXPECT_GT(seen.blocks[i], seen.blocks[i - 1]);
            }
        }
        EXPECT_EQ(seen.wrongImages, 0);
    }

    // The last callback gone, polling works at once.
    ASSERT_EQ(ST_UnregisterGrabCallback(handle, GrabNewImage), 0);
    const size_t calls = [&] {
        std::lock_guard<std::mutex> lock(seen.mutex);
        return seen.types.size();
    }();
    ASSERT_EQ(ST_AcqStart(handle), 0);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(ST_GrabImage(handle, &image), 0) << Last();
    EXPECT_EQ(ST_AcqStop(handle), 0);
    std::lock_guard<std::mutex> lock(seen.mutex);
    EXPECT_EQ(seen.types.size(), calls) << "no callback after it was unregistered";
}

TEST_F(Callbacks, RefusedRegistrationsChangeNothing)
{
    // A failed call first, so that the last error has something to keep.
    int64_t value = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "NoSuchFeature", &value), BNK_ERR_NOT_FOUND);
    const std::string lastText = ST_GetLastErrorDescription(handle);
    EXPECT_EQ(ST_RegisterGrabCallback(handle, 3, OnGrab, &seen), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_RegisterGrabCallback(handle, -1, OnGrab, &seen), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_RegisterGrabCallback(handle, GrabNewImage, nullptr, &seen), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_UnregisterGrabCallback(handle, 3), BNK_ERR_INVALID_PARAMETER);
    EXPECT_EQ(ST_RegisterGrabCallback(handle + 1, GrabNewImage, OnGrab, &seen), BNK_ERR_NO_DEVICE);
    for (int id : {15, 18, 56, 0}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(ST_RegisterEventCallback(handle, id, OnEvent, &seen), BNK_ERR_INVALID_PARAMETER);
        EXPECT_EQ(ST_UnregisterEventCallback(handle, id), BNK_ERR_INVALID_PARAMETER);
    }
    EXPECT_EQ(ST_RegisterEventCallback(handle, EventExposureEnd, nullptr, &seen), BNK_ERR_INVALID_PARAMETER);
    // The last error is the one from before.
    EXPECT_EQ(ST_GetLastError(handle), BNK_ERR_NOT_FOUND);
    EXPECT_EQ(ST_GetLastErrorDescription(handle), lastText);
    EXPECT_EQ(Notification("ExposureEnd"), "Off");

    // No thread was started: polling works as before.
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0);
    ASSERT_EQ(ST_AcqStart(handle), 0);
    EXPECT_EQ(ST_GrabImage(handle, &image), 0) << Last();
    EXPECT_EQ(ST_AcqStop(handle), 0);
    std::lock_guard<std::mutex> lock(seen.mutex);
    EXPECT_TRUE(seen.types.empty());
    EXPECT_TRUE(seen.events.empty());
}

TEST_F(Callbacks, ACallbackThatUnregistersItselfStopsTheImages)
{
    struct Once
    {
        int handle;
        Seen *seen;
        int unregistered = 1;
    } once{handle, &seen};
    auto callback = [](int type, const bnkBuffer *record, void *user) {
        auto *o = static_cast<Once *>(user);
        o->unregistered = ST_UnregisterGrabCallback(o->handle, GrabNewImage);
        // Closing its own camera from here would wait for this very callback: refused.
        const int closed = ST_CloseDevice(o->handle);
        OnGrab(type, record, o->seen);
        std::lock_guard<std::mutex> lock(o->seen->mutex);
        if (closed != BNK_ERR_BUSY)
            ++o->seen->wrongImages;
    };
    ASSERT_EQ(ST_RegisterGrabCallback(handle, GrabNewImage, callback, &once), 0);
    ASSERT_EQ(ST_AcqStart(handle), 0);
    ASSERT_TRUE(seen.WaitFor(5000, [&] { return !seen.types.empty(); }));
    // The display thread ends on its own; polling is allowed once it has.
    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0);
    int result = BNK_ERR_BUSY;
    for (int i = 0; i < 100 && result == BNK_ERR_BUSY; ++i) {
        result = ST_GrabImage(handle, &image);
        if (result == BNK_ERR_BUSY)
            std::this_thread::sleep_for(std::chrono::milliseconds(TestDeadlineMs(20)));
    }
    EXPECT_EQ(result, 0) << Last();
    EXPECT_EQ(ST_AcqStop(handle), 0);
    std::lock_guard<std::mutex> lock(seen.mutex);
    EXPECT_EQ(seen.types.size(), 1u);
    EXPECT_EQ(once.unregistered, 0);
    EXPECT_EQ(seen.wrongImages, 0);
}

TEST_F(Callbacks, CloseWaitsForARunningCallbackAndCallsNoMore)
{
    struct Slow
    {
        Seen *seen;
        std::atomic<int> running{0};
        std::atomic<int> after{0};
        std::atomic<bool> closed{false};
    } slow{&seen};
    auto callback = [](int type, const bnkBuffer *record, void *user) {
        auto *s = static_cast<Slow *>(user);
        if (s->closed)
            ++s->after;
        ++s->running;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        OnGrab(type, record, s->seen);
        --s->running;
    };
    ASSERT_EQ(ST_RegisterGrabCallback(handle, GrabNewImage, callback, &slow), 0);
    ASSERT_EQ(ST_RegisterEventCallback(handle, EventAcquisitionTransferEnd, OnEvent, &seen), 0) << Last();
    ASSERT_EQ(ST_AcqStart(handle), 0);
    ASSERT_TRUE(seen.WaitFor(5000, [&] { return !seen.types.empty(); }));
    EXPECT_EQ(ST_CloseDevice(handle), 0);
    slow.closed = true;
    EXPECT_EQ(slow.running, 0);
    const size_t events = [&] {
        std::lock_guard<std::mutex> lock(seen.mutex);
        return seen.events.size();
    }();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(slow.after, 0);
    std::lock_guard<std::mutex> lock(seen.mutex);
    EXPECT_EQ(seen.events.size(), events);
}

TEST_F(Callbacks, CameraEventsArriveWithIdTimestampAndData)
{
    ASSERT_EQ(ST_RegisterEventCallback(handle, EventExposureEnd, OnEvent, &seen), 0) << Last();
    ASSERT_EQ(ST_RegisterEventCallback(handle, EventAcquisitionTransferEnd, OnEvent, &seen), 0) << Last();
    ASSERT_EQ(ST_RegisterEventCallback(handle, EventDeviceDisconnect, OnEvent, &seen), 0) << Last();
    EXPECT_EQ(Notification("ExposureEnd"), "On");
    EXPECT_EQ(Notification("AcquisitionTransferEnd"), "On");
    EXPECT_EQ(Notification("AcquisitionTransferStart"), "Off");
    // An event this camera does not have: its refusal, and nothing registered.
    EXPECT_NE(ST_RegisterEventCallback(handle, EventOverTriggerStartMissed, OnEvent, &seen), 0);

    ASSERT_EQ(ST_InitBuffer(handle, &image, 0), 0);
    ASSERT_EQ(ST_AcqStart(handle), 0);
    std::vector<uint64_t> frames;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(ST_GrabImage(handle, &image), 0) << Last();
        frames.push_back(image.blockId);
    }
    // The events of the frames grabbed have all come.
    ASSERT_TRUE(seen.WaitFor(5000, [&] {
        for (size_t i = 0; i < seen.events.size(); ++i)
            if (seen.events[i].eventId == EventAcquisitionTransferEnd &&
                Big64(seen.eventData[i]) >= frames.back())
                return true;
        return false;
    }));
    EXPECT_EQ(ST_AcqStop(handle), 0);
    ASSERT_EQ(ST_UnregisterEventCallback(handle, EventExposureEnd), 0);
    ASSERT_EQ(ST_UnregisterEventCallback(handle, EventAcquisitionTransferEnd), 0);
    EXPECT_EQ(Notification("ExposureEnd"), "Off");
    EXPECT_EQ(Notification("AcquisitionTransferEnd"), "Off");

    std::lock_guard<std::mutex> lock(seen.mutex);
    uint64_t lastTimestamp = 0;
    uint64_t lastBlock[2] = {0, 0};
    for (size_t i = 0; i < seen.events.size(); ++i) {
        const bnkEvent &e = seen.events[i];
        ASSERT_TRUE(e.eventId == EventExposureEnd || e.eventId == EventAcquisitionTransferEnd) << e.eventId;
        EXPECT_GT(e.timestamp, lastTimestamp) << "the camera's clock, in order";
        lastTimestamp = e.timestamp;
        ASSERT_EQ(e.eventDataLength, 8u);
        ASSERT_EQ(seen.eventData[i].size(), 8u);
        // The data names the frame: consecutive frames, none left out.
        uint64_t &last = lastBlock[e.eventId == EventExposureEnd ? 0 : 1];
        const uint64_t block = Big64(seen.eventData[i]);
        if (last != 0) {
            EXPECT_EQ(block, last + 1);
        }
        last = block;
    }
    EXPECT_GE(lastBlock[0], frames.back());
    EXPECT_EQ(seen.disconnects, 0);
}

// A camera that sends its frame events fast: every event arrives, in order.
TEST(CallbackEvents, ABurstOfEventsArrivesWholeAndInOrder)
{
    const std::string serial = "CC0007";
    auto camera = StartCamera({"--adapter", "kyc2", "--ip", "10.10.2.4", "--model", MODEL, "--serial", serial,
                               "--width", "64", "--height", "16", "--fps", "1000"});
    ASSERT_TRUE(camera->Started());
    ASSERT_EQ(ST_InitSystem(), 0);
    const int index = WaitForCamera(serial);
    ASSERT_GE(index, 0);
    int handle = -1;
    ASSERT_EQ(ST_OpenDevice(static_cast<unsigned int>(index), &handle, false), 0);
    Seen seen;
    ASSERT_EQ(ST_RegisterEventCallback(handle, EventExposureEnd, OnEvent, &seen), 0);
    ASSERT_EQ(ST_AcqStart(handle), 0);
    const size_t wanted = 1000;
    EXPECT_TRUE(seen.WaitFor(20000, [&] { return seen.events.size() >= wanted; }));
    EXPECT_EQ(ST_AcqStop(handle), 0);
    EXPECT_EQ(ST_CloseDevice(handle), 0);
    EXPECT_EQ(ST_FreeSystem(), 0);
    std::lock_guard<std::mutex> lock(seen.mutex);
    ASSERT_GE(seen.events.size(), wanted);
    for (size_t i = 1; i < seen.events.size(); ++i) {
        ASSERT_EQ(Big64(seen.eventData[i]), Big64(seen.eventData[i - 1]) + 1) << "event " << i;
        ASSERT_GT(seen.events[i].timestamp, seen.events[i - 1].timestamp) << "event " << i;
    }
}

// The camera goes away mid-frame: the frame it was sending times out and reaches the timeout
// callback; the link loss reaches its callback within the heartbeat time-out and a second.
TEST(CallbackLinkLoss, KilledCameraIsReportedAndClosesCleanly)
{
    const std::string serial = "CC0009";
    auto camera = StartCamera(
        {"--adapter", "kyc2", "--ip", "10.10.2.3", "--model", MODEL, "--serial", serial, "--fps", "10"});
    ASSERT_TRUE(camera->Started());
    ASSERT_EQ(ST_InitSystem(), 0);
    const int index = WaitForCamera(serial);
    ASSERT_GE(index, 0);
    int handle = -1;
    ASSERT_EQ(ST_OpenDevice(static_cast<unsigned int>(index), &handle, false), 0);
    int64_t heartbeat = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "GevHeartbeatTimeout", &heartbeat), 0);
    // Each frame's packets spread over most of its 100 ms, so that the camera dies inside one.
    int64_t packetSize = 0, payload = 0;
    ASSERT_EQ(ST_GetIntReg(handle, "GevSCPSPacketSize", &packetSize), 0);
    ASSERT_EQ(ST_GetIntReg(handle, "PayloadSize", &payload), 0);
    const int64_t packets = payload / (packetSize - 36) + 2;
    ASSERT_EQ(ST_SetIntReg(handle, "GevSCPD", 70'000'000 / packets), 0);

    Seen seen;
    for (int type : {GrabNewImage, GrabError, GrabTimeout})
        ASSERT_EQ(ST_RegisterGrabCallback(handle, type, OnGrab, &seen), 0);
    ASSERT_EQ(ST_RegisterEventCallback(handle, EventDeviceDisconnect, OnEvent, &seen), 0);
    ASSERT_EQ(ST_RegisterEventCallback(handle, EventAcquisitionTransferStart, OnEvent, &seen), 0);
    ASSERT_EQ(ST_AcqStart(handle), 0);
    ASSERT_TRUE(seen.WaitFor(5000, [&] { return seen.Count(GrabNewImage) >= 2; }));
    // Right after a frame started.
    const size_t started = [&] {
        std::lock_guard<std::mutex> lock(seen.mutex);
        return seen.events.size();
    }();
    ASSERT_TRUE(seen.WaitFor(5000, [&] { return seen.events.size() > started; }));
    // A fifth of the frame's 70 ms: its first packets are out, most are still to come.
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    const uint64_t killedAt = HostNanoseconds();
    const Clock::time_point killed = Clock::now();
    ASSERT_EQ(::kill(camera->Pid(), SIGKILL), 0);

    const auto limit = static_cast<uint32_t>(heartbeat) + 1000;
    ASSERT_TRUE(seen.WaitFor(limit + 5000, [&] { return seen.disconnects > 0; }));
    const uint64_t seenBy = HostNanoseconds();
    {
        std::lock_guard<std::mutex> lock(seen.mutex);
        const auto after =
            std::chrono::duration_cast<std::chrono::milliseconds>(seen.disconnectSeen - killed).count();
        EXPECT_LE(after, TestDeadlineMs(limit)) << "the link loss took " << after << " ms";
        EXPECT_EQ(seen.disconnects, 1);
        const bnkEvent &loss = seen.events.back();
        EXPECT_EQ(loss.eventId, uint32_t(EventDeviceDisconnect));
        EXPECT_EQ(loss.eventDataLength, 0u);
        EXPECT_TRUE(seen.eventData.back().empty());
        EXPECT_GE(seen.disconnectHostTime, killedAt);
        EXPECT_LE(seen.disconnectHostTime, seenBy);
    }
    // The frame cut short times out (the stream waits a second for a block's packets).
    EXPECT_TRUE(seen.WaitFor(5000, [&] { return seen.Count(GrabTimeout) >= 1; })) << [&] {
        std::lock_guard<std::mutex> lock(seen.mutex);
        std::string types;
        for (int type : seen.types)
            types += std::to_string(type) + " ";
        return types;
    }();
    bool open = true;
    EXPECT_EQ(ST_IsOpenDevice(handle, &open), 0);
    EXPECT_FALSE(open);
    EXPECT_EQ(ST_AcqStop(handle), BNK_ERR_NOT_CONNECTED);
    EXPECT_EQ(ST_CloseDevice(handle), 0);
    EXPECT_EQ(ST_IsOpenDevice(handle, &open), 0);
    EXPECT_FALSE(open);
    EXPECT_EQ(ST_FreeSystem(), 0);
    std::lock_guard<std::mutex> lock(seen.mutex);
    EXPECT_EQ(seen.wrongImages, 0);
}
