// Named counters of a GVSP receiver, for the whole life of its stream.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace ky::gev {

struct GvspReceiverCounters
{
    uint64_t blocksStarted = 0;
    uint64_t blocksCompleted = 0;
    uint64_t blocksFailed = 0;  // ended with any other status than complete or aborted
    uint64_t blocksTimedOut = 0;
    uint64_t blocksAborted = 0;
    uint64_t blocksWithoutBuffer = 0;  // no destination was queued: the block was let go
    uint64_t blocksSkipped = 0;        // block ids passed over: not one packet of theirs arrived
    uint64_t packetsReceived = 0;      // every datagram read from the socket
    uint64_t packetsMalformed = 0;
    uint64_t packetsForeign = 0;  // from another source than the configured one
    uint64_t packetsIgnored = 0;
    uint64_t packetsLate = 0;  // for a block already ended
    uint64_t packetsDuplicate = 0;
    uint64_t packetsOutOfOrder = 0;
    uint64_t packetsWrongId = 0;
    uint64_t packetsOverrun = 0;
    uint64_t packetsLost = 0;
    uint64_t resendRequests = 0;  // ranges asked for
    uint64_t resendPacketsRequested = 0;
    uint64_t resendPacketsReceived = 0;  // resent packets that filled a hole
    uint64_t resendsUnavailable = 0;     // the sender said it could not resend
    uint64_t testPackets = 0;
    uint64_t packetsInPlace = 0;  // written by the socket straight into their destination
    // Kept by the kernel for a packet ring (0 without one): records it put into the ring (a glued
    // run of datagrams counts once), records it dropped because the ring was full, and the times
    // it found the whole ring still with the reader.
    uint64_t ringRecords = 0;
    uint64_t ringDrops = 0;
    uint64_t ringFreezes = 0;

    // Every counter with its name, in declaration order.
    std::vector<std::pair<const char *, uint64_t>> Named() const
    {
        return {{"blocksStarted", blocksStarted},
                {"blocksCompleted", blocksCompleted},
                {"blocksFailed", blocksFailed},
                {"blocksTimedOut", blocksTimedOut},
                {"blocksAborted", blocksAborted},
                {"blocksWithoutBuffer", blocksWithoutBuffer},
                {"blocksSkipped", blocksSkipped},
                {"packetsReceived", packetsReceived},
                {"packetsMalformed", packetsMalformed},
                {"packetsForeign", packetsForeign},
                {"packetsIgnored", packetsIgnored},
                {"packetsLate", packetsLate},
                {"packetsDuplicate", packetsDuplicate},
                {"packetsOutOfOrder", packetsOutOfOrder},
                {"packetsWrongId", packetsWrongId},
                {"packetsOverrun", packetsOverrun},
                {"packetsLost", packetsLost},
                {"resendRequests", resendRequests},
                {"resendPacketsRequested", resendPacketsRequested},
                {"resendPacketsReceived", resendPacketsReceived},
                {"resendsUnavailable", resendsUnavailable},
                {"testPackets", testPackets},
                {"packetsInPlace", packetsInPlace},
                {"ringRecords", ringRecords},
                {"ringDrops", ringDrops},
                {"ringFreezes", ringFreezes}};
    }
};

}  // namespace ky::gev
