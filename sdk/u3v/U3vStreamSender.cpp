#include "u3v/U3vStreamSender.h"

#include <algorithm>
#include <vector>

namespace ky::u3v {

namespace {

// Sends the leader, the payload in the pieces `next` cuts (0: no more), and the trailer.
template <typename NextPiece>
TransferStatus SendBlock(IUsbBulkPipe &pipe, const U3vImageLeader &leader, const uint8_t *payload,
                         size_t size, uint32_t timeoutMs, NextPiece next)
{
    std::vector<uint8_t> transfer;
    BuildImageLeader(leader, transfer);
    TransferStatus status = pipe.Write(transfer.data(), transfer.size(), timeoutMs);
    size_t done = 0;
    while (status == TransferStatus::Ok && done < size) {
        const size_t count = std::min(next(), size - done);
        if (count == 0) {
            break;
        }
        status = pipe.Write(payload + done, count, timeoutMs);
        done += count;
    }
    if (status != TransferStatus::Ok) {
        return status;
    }
    U3vImageTrailer trailer;
    trailer.blockId = leader.blockId;
    trailer.validPayloadSize = done;
    trailer.height = leader.height;
    if (done < size) {
        trailer.status = U3V_TRAILER_STATUS_DATA_DISCARDED;
        const uint64_t line = leader.height == 0 ? 0 : size / leader.height;
        trailer.height = line == 0 ? 0 : static_cast<uint32_t>(done / line);
    }
    BuildImageTrailer(trailer, transfer);
    return pipe.Write(transfer.data(), transfer.size(), timeoutMs);
}

}  // namespace

TransferStatus SendImageBlock(IUsbBulkPipe &pipe, const U3vImageLeader &leader, const uint8_t *payload,
                              size_t size, size_t maxPayloadTransfer, uint32_t timeoutMs)
{
    if ((payload == nullptr && size != 0) || maxPayloadTransfer == 0) {
        return TransferStatus::Overflow;
    }
    return SendBlock(pipe, leader, payload, size, timeoutMs, [&] { return maxPayloadTransfer; });
}

TransferStatus SendImageBlock(IUsbBulkPipe &pipe, const U3vImageLeader &leader, const uint8_t *payload,
                              size_t size, const U3vStreamLayout &layout, uint32_t timeoutMs)
{
    if (payload == nullptr && size != 0) {
        return TransferStatus::Overflow;
    }
    // Payload past the layout (the format grew after the host planned it) goes on in transfers
    // of the layout's largest size, which the host's reads take.
    const size_t largest =
        std::max({layout.transferSize, layout.finalTransfer1Size, layout.finalTransfer2Size});
    uint64_t piece = 0;  // payload transfers sent so far
    return SendBlock(pipe, leader, payload, size, timeoutMs, [&]() -> size_t {
        const uint64_t k = piece++;
        if (k < layout.transferCount) {
            return layout.transferSize;
        }
        if (k == layout.transferCount && layout.finalTransfer1Size != 0) {
            return layout.finalTransfer1Size;
        }
        if (k <= uint64_t(layout.transferCount) + 1 && layout.finalTransfer2Size != 0 &&
            (k == layout.transferCount || layout.finalTransfer1Size != 0)) {
            return layout.finalTransfer2Size;
        }
        return largest;
    });
}

}  // namespace ky::u3v
