// GvspPacketBatch: up to Capacity GVSP packets gathered for one sendmmsg call.
//
// Each packet is its header (built in the batch's own memory) plus an optional payload that
// stays where it is (gathered by the kernel), so sending allocates and copies nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include "KyResult.h"
#include "gev/Gvsp.h"

namespace ky::gev {

class GvspPacketBatch
{
public:
    static constexpr size_t Capacity = 64;
    static constexpr size_t HeaderRoom = 64;  // leader and trailer packets fit whole

    // Starts an empty batch for one destination; the address must outlive the batch's use.
    void Reset(const sockaddr_in *destination);
    bool Full() const { return mCount == Capacity; }
    size_t Count() const { return mCount; }

    // Room for the next packet's header; Commit takes the built header length and the payload.
    uint8_t *NextHeader() { return mHeaders[mCount]; }
    void Commit(size_t headerLength, const uint8_t *payload, size_t payloadLength);

    // Sends every packet gathered, retrying while the socket buffer is full, and empties the
    // batch. KY_NETWORK_ERROR with the system's text when the socket refuses.
    KyResult Flush(int fd, size_t &packetsSent);

private:
    const sockaddr_in *mDestination = nullptr;
    size_t mCount = 0;
    mmsghdr mMessages[Capacity];
    iovec mVectors[Capacity][2];
    uint8_t mHeaders[Capacity][HeaderRoom];
};

} // namespace ky::gev
