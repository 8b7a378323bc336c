// A KyStreamGEV opened on the test camera (tests/common/GvspTestCamera.h), with buffers of the test's own.
#pragma once

#include <memory>
#include <vector>

#include "GvspTestCamera.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/stream/KyStreamGEV.h"

namespace ky::stream::test {

using gev::test::GvspTestCamera;
using gev::test::kCameraAddress;

constexpr uint32_t kWaitMs = 5000;

struct StreamRig
{
    std::vector<std::unique_ptr<KyBuffer>> buffers;  // outlive the stream that may hold them
    KyStreamGEV stream;
    GvspTestCamera camera;

    KyResult Open(uint32_t packetSize, bool extendedIds = false)
    {
        KyResult result = stream.Open(KyString(kCameraAddress), 0);
        if (result.IsFailure())
            return result;
        return camera.Open(stream.GetLocalPort(), packetSize, extendedIds);
    }

    KyBuffer *AddBuffer(uint32_t size)
    {
        buffers.push_back(std::make_unique<KyBuffer>(KyPayloadTypeImage));
        EXPECT_TRUE(buffers.back()->Alloc(size).IsOK()) << size;
        return buffers.back().get();
    }

    // Queues count new buffers of size bytes.
    void QueueBuffers(int count, uint32_t size)
    {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(stream.QueueBuffer(AddBuffer(size)).GetCode(), KY_PENDING);
    }

    int64_t Integer(const char *name)
    {
        int64_t value = -1;
        EXPECT_TRUE(stream.GetParameters()->GetIntegerValue(KyString(name), value).IsOK()) << name;
        return value;
    }
};

// True when the buffer holds the test pattern of that frame.
inline bool HoldsPattern(const KyBuffer &buffer, size_t size, uint32_t frame)
{
    const std::vector<uint8_t> expected = gev::test::Pattern(size, frame);
    return buffer.GetAcquiredSize() == size &&
           std::equal(expected.begin(), expected.end(), buffer.GetDataPointer());
}

}  // namespace ky::stream::test
