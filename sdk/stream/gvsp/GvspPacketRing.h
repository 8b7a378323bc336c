// GvspPacketRing: takes a stream's datagrams from a packet socket ring (TPACKET_V3) instead of
// the UDP socket, where the process may open one (CAP_NET_RAW).
//
// The kernel writes every datagram for the stream's port into blocks of a ring shared with this
// process while the packet is still in the network stack, so the receive thread no longer pays
// a system call and a copy per packet: it reads the packets where they lie and copies each
// payload once, into its frame. A filter in the kernel lets through only unfragmented UDP
// datagrams to the stream's address and port (from the camera, when known) on the interface that
// holds the stream's address, no longer than the interface's MTU. Longer ones are either
// datagrams that arrived in fragments, which cannot be seen whole there, or glued runs of
// datagrams (sent with segmentation offload over a virtual link, or merged by receive offload),
// whose datagram size only the socket tells. LimitSocketToFragmented makes the UDP socket take
// exactly those, so nothing is lost and nothing is taken twice. On the loopback interface
// (MTU 64 KiB) a glued run from a sender on this host fits the MTU: the ring then learns the
// datagram size from the virtio header the kernel puts before each record, and cuts the run.
// Datagrams that reach the address through another interface (a host has one address per
// interface, but takes packets for any of them on each) also stay with the socket. A sender on
// this host itself reaches the address through the loopback interface: the ring is opened there.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ky/base/KyResult.h"

namespace ky::gev {

class GvspPacketRing
{
public:
    struct Target
    {
        uint32_t localAddress = 0;   // network order; 0: the address facing the source
        uint16_t port = 0;           // the stream's UDP port
        uint32_t sourceAddress = 0;  // network order; 0: any sender (then localAddress is needed)
    };

    // The interface a ring for a target watches: the one that holds the stream's address, or
    // loopback where the sender is this host itself.
    struct Interface
    {
        std::string name;
        unsigned index = 0;
        uint32_t mtu = 0;
        bool loopback = false;
        uint64_t lineRate = 0;  // bytes per second, as the interface reports its speed; 0: unknown
    };
    // KY_NOT_SUPPORTED without a local address; KY_NETWORK_ERROR when no interface holds it.
    static KyResult FindInterface(const Target &target, Interface &out);

    GvspPacketRing() = default;
    ~GvspPacketRing();
    GvspPacketRing(const GvspPacketRing &) = delete;
    GvspPacketRing &operator=(const GvspPacketRing &) = delete;

    // Opens a ring of about ringBytes (less where the kernel cannot find that much memory) on
    // the interface FindInterface gave for target. Fails (KY_NOT_SUPPORTED, KY_NETWORK_ERROR) where
    // the process may not open packet sockets.
    KyResult Open(const Target &target, const Interface &where, size_t ringBytes);
    void Close();
    bool IsOpen() const { return mFd >= 0; }
    int Fd() const { return mFd; }
    uint32_t Mtu() const { return mMtu; }

    // What the kernel counted for the ring since it was opened: records it passed to the ring
    // (a glued run counts once), records it dropped because the ring was full, and the times it
    // found every block still with the reader and stopped filling until one came back.
    struct Statistics
    {
        uint64_t records = 0;
        uint64_t drops = 0;
        uint64_t freezes = 0;
    };
    // Adds what the kernel counted since the last call (reading its counters resets them) to the
    // totals and returns them; once closed, the totals at the last call. Not from two threads at once.
    const Statistics &CollectStatistics() const;
    void ResetStatistics() { mStatistics = Statistics(); }
    size_t Bytes() const { return mMapSize; }

    // Makes a UDP socket bound to the stream's port take only what this ring leaves: datagrams
    // and glued runs longer than the interface's MTU, and whatever comes through another interface.
    // The socket stays bound, so the host answers no datagram with a port-unreachable message;
    // the kernel counts those the socket's filter drops as UDP receive errors.
    KyResult LimitSocketToFragmented(int udpFd) const;

    // Hands the UDP payload of each datagram in the blocks the kernel has filled to
    // take(payload, length), then gives each block back; at most maxBlocks blocks. Records that
    // are no whole IPv4/UDP datagram or fail their checksum are counted in malformed instead.
    // Adds every datagram read (each of a glued run) to records; returns the number of blocks read.
    template <typename Take>
    size_t Drain(Take &&take, uint64_t &records, uint64_t &malformed, size_t maxBlocks)
    {
        size_t blocks = 0;
        for (; blocks < maxBlocks; ++blocks) {
            const uint8_t *block = ReadyBlock();
            if (!block)
                break;
            size_t offset = 0;
            for (uint32_t i = 0, n = RecordCount(block); i < n; ++i) {
                Datagram d;
                const bool whole = ParseRecord(block, i == 0, offset, d);
                if (mDiscardBefore && d.stamp < mDiscardBefore) {
                    // Arrived before DiscardArrived: let go unread.
                } else if (mDiscardBefore = 0; !whole)  // records come in the order they arrived
                    ++malformed, ++records;
                else if (d.segment == 0 || d.segment >= d.length)
                    take(d.payload, d.length), ++records;
                else
                    for (size_t at = 0; at < d.length; at += d.segment, ++records)
                        take(d.payload + at, std::min(d.segment, d.length - at));
                if (d.next == 0)
                    break;
                offset = d.next;
            }
            ReleaseBlock();
        }
        return blocks;
    }

    // Lets every record that arrived before now go unread, those in the block the kernel is still
    // filling included (it hands that one over only once full or after its time-out).
    void DiscardArrived();

    // The UDP payload of the IPv4 datagram at ip, of which captured bytes are at hand; false when
    // it is not whole or (unless the kernel checked it already) its checksum is wrong.
    static bool ParseDatagram(const uint8_t *ip, size_t captured, bool checksumChecked,
                              const uint8_t *&payload, size_t &length);

private:
    struct Datagram
    {
        const uint8_t *payload = nullptr;
        size_t length = 0;
        size_t segment = 0;  // datagram size of a glued run; 0: one datagram
        size_t next = 0;     // offset of the next record in the block; 0: none
        uint64_t stamp = 0;  // when it arrived, nanoseconds of CLOCK_REALTIME
    };

    const uint8_t *ReadyBlock() const;
    uint32_t RecordCount(const uint8_t *block) const;
    // Reads the record at offset (the block's first when first is set); false when it holds no
    // whole, valid datagram.
    bool ParseRecord(const uint8_t *block, bool first, size_t offset, Datagram &out);
    // Asks for the ring's lines from `from` (or where the last call stopped) to some way past the
    // end of the record in hand.
    void Prefetch(const uint8_t *block, size_t from, size_t recordEnd);
    void ReleaseBlock();

    int mFd = -1;
    uint8_t *mMap = nullptr;
    size_t mMapSize = 0;
    size_t mBlockSize = 0;
    size_t mBlockCount = 0;
    size_t mCurrent = 0;
    uint32_t mMtu = 0;
    unsigned mInterfaceIndex = 0;
    size_t mPrefetched = 0;          // offset in the current block up to which lines were asked for
    uint64_t mDiscardBefore = 0;     // records stamped before this are let go (0: none); see DiscardArrived
    mutable Statistics mStatistics;  // the kernel's counters, summed as they are read
};

}  // namespace ky::gev
