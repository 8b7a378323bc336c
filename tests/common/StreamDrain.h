// The end of a stream in a test: its queued buffers aborted and taken back, then the stream
// closed. Each wait is bounded by waitMs; a retrieve that fails ends the draining.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "ky/buffer/KyBuffer.h"
#include "ky/stream/KyStream.h"

inline void DrainAndClose(KyStream &stream, uint32_t waitMs)
{
    EXPECT_TRUE(stream.AbortQueuedBuffers().IsOK());
    while (stream.GetQueuedBufferCount() > 0) {
        KyBuffer *buffer = nullptr;
        KyResult operation;
        if (!stream.RetrieveBuffer(&buffer, &operation, waitMs).IsOK())
            break;
    }
    EXPECT_TRUE(stream.Close().IsOK());
}
