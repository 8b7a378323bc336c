#include "u3v/U3vStreamSender.h"

#include <algorithm>
#include <vector>

namespace ky::u3v {

TransferStatus SendImageBlock(IUsbBulkPipe &pipe, const U3vImageLeader &leader, const uint8_t *payload,
                              size_t size, size_t maxPayloadTransfer, uint32_t timeoutMs)
{
    if ((payload == nullptr && size != 0) || maxPayloadTransfer == 0) {
        return TransferStatus::Overflow;
    }
    std::vector<uint8_t> transfer;
    BuildImageLeader(leader, transfer);
    TransferStatus status = pipe.Write(transfer.data(), transfer.size(), timeoutMs);
    for (size_t done = 0; status == TransferStatus::Ok && done < size;) {
        const size_t count = std::min(maxPayloadTransfer, size - done);
        status = pipe.Write(payload + done, count, timeoutMs);
        done += count;
    }
    if (status != TransferStatus::Ok) {
        return status;
    }
    U3vImageTrailer trailer;
    trailer.blockId = leader.blockId;
    trailer.validPayloadSize = size;
    trailer.height = leader.height;
    BuildImageTrailer(trailer, transfer);
    return pipe.Write(transfer.data(), transfer.size(), timeoutMs);
}

}  // namespace ky::u3v
