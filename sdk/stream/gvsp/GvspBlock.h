// What a GVSP receiver hands back for each block: the caller's destination, how the block
// ended, its leader and trailer, and its packet statistics.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ky/base/KyResult.h"
#include "gev/Gvsp.h"

namespace ky::gev {

// How a block ended.
//  Complete        every packet arrived (some perhaps through resends).
//  Timeout         packets stayed missing and none of the block arrived for the block timeout,
//                  resend rounds or not (a sender that stopped).
//  MissingPackets  packets stayed missing and will not come: the sender said it cannot resend
//                  them, resends are off and the trailer came, or newer blocks pushed it out.
//  BufferTooSmall  the payload ran past the destination; the destination holds what fitted.
//  Aborted         the block, queued or in progress, was aborted (or the receiver closed).
//  WrongPacketId   a packet id outside the block arrived; the data may not be trusted.
enum class GvspBlockStatus { Complete, Timeout, MissingPackets, BufferTooSmall, Aborted, WrongPacketId };

const char *GvspBlockStatusName(GvspBlockStatus status);
// The SDK result code of a status: KY_OK, KY_TIMEOUT, KY_MISSING_PACKETS, KY_BUFFER_TOO_SMALL,
// KY_ABORTED, KY_INVALID_DATA_FORMAT.
uint32_t GvspBlockStatusCode(GvspBlockStatus status);

struct GvspMissingRange
{
    uint32_t first = 0;
    uint32_t last = 0;
};

struct GvspBlockStats
{
    uint32_t packetsReceived = 0;   // distinct packets placed or taken (leader and trailer count)
    uint32_t packetsRecovered = 0;  // of those, arrived through a resend
    uint32_t resendGroupsRequested = 0;
    uint32_t resendPacketsRequested = 0;
    uint32_t packetsLost = 0;        // still missing when the block ended
    uint32_t packetsIgnored = 0;     // could not be placed (no packet size known yet, no destination)
    uint32_t packetsRedundant = 0;   // arrived again after being placed
    uint32_t packetsOutOfOrder = 0;  // arrived after a later packet of the block
    uint32_t packetsOverrun = 0;     // ran past the destination (clamped)
    uint32_t packetsWrongId = 0;     // id outside the block
};

struct GvspCompletedBlock
{
    void *cookie = nullptr;  // as queued
    uint8_t *data = nullptr;
    size_t capacity = 0;
    GvspBlockStatus status = GvspBlockStatus::Aborted;
    uint64_t blockId = 0;
    bool leaderReceived = false;
    bool trailerReceived = false;
    GvspLeader leader;
    GvspTrailer trailer;
    size_t payloadSize = 0;       // bytes the block carried, as far as seen
    size_t filledSize = 0;        // of those, bytes inside the destination
    uint32_t payloadPackets = 0;  // data packets of the block, 0 when never learned
    GvspBlockStats stats;
    std::vector<GvspMissingRange> missing;  // ranges still missing at the end (bounded)

    KyResult Result() const;
};

}  // namespace ky::gev
