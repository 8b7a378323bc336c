// Multi-part blocks: a leader body (its part descriptors) and multi-part data packets as a peer
// could send them, placed into a small destination, then the buffer filled from the block and
// every part's views read to their last byte.
#include <cstdlib>
#include <vector>

#include "FuzzInput.h"
#include "gev/Gvsp.h"
#include "gvsp/GvspBlockAssembler.h"
#include "gvsp/GvspBufferFill.h"
#include "ky/buffer/KyBuffer.h"

namespace {

using namespace ky::gev;

constexpr size_t MAX_DESTINATION = 64 * 1024;
volatile uint8_t gSink = 0;

// Reads the first and last byte of every view a part hands out.
void Touch(const uint8_t *data, uint64_t size)
{
    if (data != nullptr && size > 0)
        gSink = static_cast<uint8_t>(data[0] ^ data[size - 1]);
}

void ReadParts(KyBuffer &buffer)
{
    IKyMultiPartContainer *parts = buffer.GetMultiPartContainer();
    if (parts == nullptr)
        return;
    for (uint32_t i = 0; i < parts->GetPartCount(); ++i) {
        IKyMultiPartSection &section = *parts->GetPart(i);
        if (section.GetEffectiveSize() > section.GetSize())
            std::abort();
        Touch(section.GetDataPointer(), section.GetEffectiveSize());
        if (IKyImage *image = section.GetImage())
            Touch(image->GetDataPointer(), image->GetImageSize());
        if (IKyImageJPEG *jpeg = section.GetJPEG())
            Touch(jpeg->GetDataPointer(), jpeg->GetDataSize());
        if (IKyChunkData *chunks = section.GetChunkData()) {
            for (uint32_t c = 0; c < chunks->GetChunkCount(); ++c)
                Touch(chunks->GetChunkRawDataByIndex(c), chunks->GetChunkSizeByIndex(c));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const size_t capacity = 1 + in.U16() % MAX_DESTINATION;
    size_t leaderLength = 0;
    const uint8_t *leaderBody = in.Piece(leaderLength);
    // Copies of their own, so that a read past an input's end is caught.
    const std::vector<uint8_t> body(leaderBody, leaderBody + leaderLength);
    GvspLeader leader;
    if (GvspParseLeader(body.data(), body.size(), leader).IsFailure())
        return 0;

    std::vector<uint8_t> memory(capacity);
    GvspDestination destination{memory.data(), memory.size(), nullptr};
    GvspBlockAssembler assembler;
    auto now = GvspBlockAssembler::Clock::time_point() + std::chrono::hours(1);
    assembler.Start(1, false, &destination, 0, now);
    (void)assembler.AddLeader(leader, false, now);
    uint32_t packetId = 0;
    while (in.Left() > 0) {
        size_t length = 0;
        const uint8_t *packet = in.Piece(length);
        const std::vector<uint8_t> payload(packet, packet + length);
        GvspMultiPartInfo info;
        if (GvspParseMultiPartInfo(payload.data(), payload.size(), info).IsOK())
            (void)assembler.AddMultiPartPayload(++packetId, info, payload.data() + GVSP_MULTIPART_INFO_SIZE,
                                                payload.size() - GVSP_MULTIPART_INFO_SIZE, false, now);
    }
    GvspTrailer trailer;
    trailer.payloadType = leader.payloadType;
    (void)assembler.AddTrailer(packetId + 1, trailer, false, now);
    GvspCompletedBlock block;
    assembler.Finish(GvspBlockStatus::Complete, block);
    if (block.filledSize > block.capacity)
        std::abort();

    KyBuffer buffer;
    if (buffer.Attach(memory.data(), static_cast<uint32_t>(memory.size())).IsFailure())
        return 0;
    FillBufferFromBlock(block, buffer);
    ReadParts(buffer);
    // Whatever the block said, a complete one (all packets placed) is described too.
    block.status = GvspBlockStatus::Complete;
    FillBufferFromBlock(block, buffer);
    ReadParts(buffer);
    return 0;
}
