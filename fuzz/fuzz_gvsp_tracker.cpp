// The GVSP receiver's block tracker: a run of datagrams (each led by a 16-bit length) as one
// stream would bring them, with time moving on between them, into small destinations. Settings
// come from the first bytes so that packet sizes, block limits and resends vary too.
#include <cstdlib>
#include <deque>
#include <vector>

#include "FuzzInput.h"
#include "gvsp/GvspBlockTracker.h"

namespace {

using namespace ky::gev;

constexpr size_t BUFFERS = 4;
constexpr size_t BUFFER_SIZE = 64 * 1024;
volatile uint8_t gLastFilled = 0;

struct Buffers : GvspBlockTracker::Host
{
    std::vector<std::vector<uint8_t>> memory;
    std::deque<GvspDestination> queued;

    explicit Buffers(size_t size) : memory(BUFFERS, std::vector<uint8_t>(size))
    {
        for (auto &m : memory)
            queued.push_back(GvspDestination{m.data(), m.size(), nullptr});
    }
    bool TakeDestination(GvspDestination &destination) override
    {
        if (queued.empty())
            return false;
        destination = queued.front();
        queued.pop_front();
        return true;
    }
    void Emit(GvspCompletedBlock &&block) override
    {
        // What the block says it filled lies inside its destination (ASan checks the last byte).
        if (block.filledSize > block.capacity)
            std::abort();
        if (block.filledSize > 0)
            gLastFilled = block.data[block.filledSize - 1];
        if (block.data)
            queued.push_back(GvspDestination{block.data, block.capacity, nullptr});
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    GvspReceiverConfig config;
    const uint8_t settings = in.Byte();
    config.packetSize = (settings & 1) ? 576u + in.U16() % 9000u : 0;
    config.maxBlocksInProgress = 1 + (settings >> 1 & 7);
    config.resendEnabled = settings & 0x10;
    config.maxResendRounds = settings >> 5;
    config.maxResendRangesPerRound = 1 + in.Byte() % 64;
    const size_t bufferSize = (settings & 0x80) ? BUFFER_SIZE : 1 + in.U16() % BUFFER_SIZE;

    Buffers buffers(bufferSize);
    GvspBlockTracker tracker(buffers);
    tracker.Reset(config);
    auto now = GvspBlockTracker::Clock::time_point() + std::chrono::hours(1);
    GvspBlockTracker::Request requests[GvspBlockTracker::MAX_REQUESTS];
    while (in.Left() > 0) {
        const uint8_t step = in.Byte();
        now += std::chrono::milliseconds(step & 0x3F);
        size_t length = 0;
        const uint8_t *packet = in.Piece(length);
        // A copy of its own, so that a read past the datagram's end is caught.
        const std::vector<uint8_t> datagram(packet, packet + length);
        tracker.Process(datagram.data(), datagram.size(), now, false);
        if (step & 0x40)
            tracker.CheckTimers(now);
        (void)tracker.TakeRequests(requests, GvspBlockTracker::MAX_REQUESTS);
    }
    (void)tracker.Snapshot();
    tracker.AbortAll();
    return 0;
}
