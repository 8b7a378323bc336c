#include "gvsp/GvspBlock.h"

namespace ky::gev {

const char *GvspBlockStatusName(GvspBlockStatus status)
{
    switch (status) {
    case GvspBlockStatus::Complete:
        return "complete";
    case GvspBlockStatus::Timeout:
        return "timeout";
    case GvspBlockStatus::MissingPackets:
        return "missing packets";
    case GvspBlockStatus::BufferTooSmall:
        return "buffer too small";
    case GvspBlockStatus::Aborted:
        return "aborted";
    case GvspBlockStatus::WrongPacketId:
        return "wrong packet id";
    }
    return "unknown";
}

uint32_t GvspBlockStatusCode(GvspBlockStatus status)
{
    switch (status) {
    case GvspBlockStatus::Complete:
        return KY_OK;
    case GvspBlockStatus::Timeout:
        return KY_TIMEOUT;
    case GvspBlockStatus::MissingPackets:
        return KY_MISSING_PACKETS;
    case GvspBlockStatus::BufferTooSmall:
        return KY_BUFFER_TOO_SMALL;
    case GvspBlockStatus::Aborted:
        return KY_ABORTED;
    case GvspBlockStatus::WrongPacketId:
        return KY_INVALID_DATA_FORMAT;
    }
    return KY_GENERIC_ERROR;
}

KyResult GvspCompletedBlock::Result() const
{
    if (status == GvspBlockStatus::Complete)
        return KyResult();
    return KyResult(GvspBlockStatusCode(status),
                    KyString("block " + std::to_string(blockId) + " ended: " + GvspBlockStatusName(status)));
}

}  // namespace ky::gev
