#include "gev/GvspPacketBatch.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

namespace ky::gev {

void GvspPacketBatch::Reset(const sockaddr_in *destination)
{
    mDestination = destination;
    mCount = 0;
}

void GvspPacketBatch::Commit(size_t headerLength, const uint8_t *payload, size_t payloadLength)
{
    iovec *v = mVectors[mCount];
    v[0].iov_base = mHeaders[mCount];
    v[0].iov_len = headerLength;
    v[1].iov_base = const_cast<uint8_t *>(payload);
    v[1].iov_len = payload ? payloadLength : 0;
    msghdr &m = mMessages[mCount].msg_hdr;
    std::memset(&m, 0, sizeof m);
    m.msg_name = const_cast<sockaddr_in *>(mDestination);
    m.msg_namelen = sizeof(sockaddr_in);
    m.msg_iov = v;
    m.msg_iovlen = v[1].iov_len ? 2 : 1;
    mMessages[mCount].msg_len = 0;
    ++mCount;
}

KyResult GvspPacketBatch::Flush(int fd, size_t &packetsSent)
{
    size_t done = 0;
    int busyRetries = 0;
    while (done < mCount) {
        const int sent = sendmmsg(fd, mMessages + done, static_cast<unsigned>(mCount - done), 0);
        if (sent > 0) {
            done += static_cast<size_t>(sent);
            busyRetries = 0;
            continue;
        }
        const int error = sent < 0 ? errno : EAGAIN;
        if (error == EINTR)
            continue;
        if ((error == EAGAIN || error == ENOBUFS) && ++busyRetries < 1000) {
            std::this_thread::yield();
            continue;
        }
        packetsSent += done;
        mCount = 0;
        return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(error),
                        KyString(std::string("sending GVSP packets failed: ") + std::strerror(error)));
    }
    packetsSent += done;
    mCount = 0;
    return KyResult();
}

} // namespace ky::gev
