#include "gvsp/GvspPacketRing.h"

#include <arpa/inet.h>
#include <cerrno>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <endian.h>
#include <fstream>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "gev/Gvcp.h"
#include "gev/UdpSocket.h"
#include "internal/HostAdapters.h"
#include "ky/ByteOrder.h"

namespace ky::gev {
namespace {

constexpr size_t BLOCK_SIZE = 4u << 20;
constexpr size_t MIN_BLOCK_SIZE = 128u << 10;  // a glued run of 64 KiB with its headers fits
constexpr size_t MIN_BLOCKS = 4;
constexpr unsigned FRAME_SIZE = 2048;       // nominal; TPACKET_V3 packs records of any size
constexpr unsigned BLOCK_TIMEOUT_MS = 2;    // a partly filled block is handed over after this
constexpr uint32_t SNAP_LENGTH = 1u << 18;  // all of a glued run of 64 KiB and its link header
constexpr size_t PREFETCH_DISTANCE = 4096;  // bytes of the ring asked for ahead of the reader
constexpr size_t SHORT_RECORD = 4096;       // records shorter than this are prefetched

// The virtio header the kernel writes before each record (PACKET_VNET_HDR); the system's
// definition does not build as C++.
struct VirtioHeader
{
    uint8_t flags;
    uint8_t gsoType;
    uint16_t headerLength;
    uint16_t gsoSize;  // little endian
    uint16_t checksumStart;
    uint16_t checksumOffset;
};
static_assert(sizeof(VirtioHeader) == 10, "the virtio header has 10 bytes");
constexpr uint8_t GSO_NONE = 0;
constexpr uint8_t GSO_ECN = 0x80;
constexpr uint8_t GSO_UDP_L4 = 5;

uint16_t Be16(const uint8_t *p) { return base::LoadBig16(p); }

KyResult SocketError(const std::string &what)
{
    const int error = errno;
    return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(error),
                    KyString(what + ": " + std::strerror(error)));
}

// Classic BPF program made of equality checks on fields of the IPv4 header; a packet failing
// any check is dropped, one passing all is taken whole.
class FilterBuilder
{
public:
    // The check passes when the loaded value (after the load instruction) equals value.
    void Equal(sock_filter load, uint32_t value) { Add(load, BPF_JEQ, value, false); }
    // The check passes when the loaded value is at most value.
    void AtMost(sock_filter load, uint32_t value) { Add(load, BPF_JGT, value, true); }
    // The check passes when none of the bits are set.
    void NoneOf(sock_filter load, uint32_t bits) { Add(load, BPF_JSET, bits, true); }
    void Statement(sock_filter statement) { mCode.push_back(Step{statement, false, false}); }

    std::vector<sock_filter> Build(uint32_t snap) const
    {
        std::vector<sock_filter> code;
        const size_t drop = mCode.size() + 1;
        for (size_t i = 0; i < mCode.size(); ++i) {
            sock_filter instruction = mCode[i].instruction;
            if (mCode[i].jump) {
                const auto toDrop = static_cast<uint8_t>(drop - (i + 1));
                instruction.jt = mCode[i].dropWhenTrue ? toDrop : 0;
                instruction.jf = mCode[i].dropWhenTrue ? 0 : toDrop;
            }
            code.push_back(instruction);
        }
        code.push_back(BPF_STMT(BPF_RET | BPF_K, snap));
        code.push_back(BPF_STMT(BPF_RET | BPF_K, 0));
        return code;
    }

private:
    struct Step
    {
        sock_filter instruction;
        bool jump;
        bool dropWhenTrue;
    };
    void Add(sock_filter load, uint16_t test, uint32_t value, bool dropWhenTrue)
    {
        mCode.push_back(Step{load, false, false});
        mCode.push_back(Step{BPF_JUMP(BPF_JMP | test | BPF_K, value, 0, 0), true, dropWhenTrue});
    }
    std::vector<Step> mCode;
};

KyResult AttachFilter(int fd, const std::vector<sock_filter> &code)
{
    sock_fprog program{static_cast<unsigned short>(code.size()), const_cast<sock_filter *>(code.data())};
    if (setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) != 0)
        return SocketError("cannot attach a packet filter");
    return KyResult();
}

// The local address the host sends from towards source (network order), 0 when unknown.
uint32_t AddressFacing(uint32_t source)
{
    UdpSocket probe;
    uint32_t local = 0;
    if (probe.Open(UdpSocket::ANY_IP, 0).IsFailure() ||
        probe.Connect(ntohl(source), GVCP_PORT, local).IsFailure())
        return 0;
    return htonl(local);
}

// The interface's speed in bytes per second from /sys/class/net/<name>/speed (megabits per
// second); 0 where it reports none (loopback, a link that is down, most virtual interfaces).
uint64_t LineRate(const std::string &name)
{
    if (name.empty() || name.find('/') != std::string::npos || name[0] == '.')
        return 0;
    std::ifstream in("/sys/class/net/" + name + "/speed");
    long long megabits = 0;
    if (!(in >> megabits) || megabits <= 0)
        return 0;
    return static_cast<uint64_t>(megabits) * 1000000u / 8u;
}

// One's complement sum of the pseudo header and the datagram must be all ones.
bool UdpChecksumOk(const uint8_t *ip, const uint8_t *udp, size_t udpLength)
{
    uint64_t sum = 0;
    for (size_t i = 12; i < 20; i += 2)
        sum += Be16(ip + i);
    sum += IPPROTO_UDP + udpLength;
    size_t i = 0;
    for (; i + 1 < udpLength; i += 2)
        sum += Be16(udp + i);
    if (i < udpLength)
        sum += static_cast<uint32_t>(udp[i]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return sum == 0xFFFF;
}

}  // namespace

GvspPacketRing::~GvspPacketRing() { Close(); }

KyResult GvspPacketRing::FindInterface(const Target &target, Interface &out)
{
    const uint32_t local = target.localAddress    ? target.localAddress
                           : target.sourceAddress ? AddressFacing(target.sourceAddress)
                                                  : 0;
    if (local == 0)
        return KyResult(KY_NOT_SUPPORTED, KyString("a packet ring needs the stream's local address"));
    // The interface that holds the address; but a sender on this host (a camera on another of
    // its addresses) reaches it through the loopback interface.
    const device::HostAdapter *adapter = nullptr;
    const device::HostAdapter *loopback = nullptr;
    bool senderOnHost = false;
    const std::vector<device::HostAdapter> adapters = device::EnumerateHostAdapters();
    for (const device::HostAdapter &candidate : adapters) {
        if (candidate.loopback)
            loopback = &candidate;
        for (const device::HostAddress &address : candidate.addresses) {
            if (address.ip == ntohl(local))
                adapter = &candidate;
            if (target.sourceAddress && address.ip == ntohl(target.sourceAddress))
                senderOnHost = true;
        }
    }
    if (senderOnHost)
        adapter = loopback;
    if (adapter == nullptr || adapter->mtu == 0)
        return KyResult(KY_NETWORK_ERROR, KyString("no interface of this host holds the stream's address"));
    out = Interface();
    out.name = adapter->name;
    out.index = adapter->index;
    out.mtu = adapter->mtu;
    out.loopback = adapter->loopback;
    out.lineRate = adapter->loopback ? 0 : LineRate(adapter->name);
    return KyResult();
}

KyResult GvspPacketRing::Open(const Target &target, const Interface &where, size_t ringBytes)
{
    Close();
    mStatistics = Statistics();
    const uint32_t local = target.localAddress    ? target.localAddress
                           : target.sourceAddress ? AddressFacing(target.sourceAddress)
                                                  : 0;
    if (local == 0 || where.index == 0 || where.mtu == 0)
        return KyResult(KY_NOT_SUPPORTED,
                        KyString("a packet ring needs the stream's local address and interface"));

    // Protocol 0: nothing arrives until the filter and the ring are in place and bind says ETH_P_IP.
    // A raw socket, as only those can carry the virtio header.
    mFd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
    if (mFd < 0) {
        const bool denied = errno == EPERM || errno == EACCES;
        KyResult error = denied ? KyResult(KY_NOT_SUPPORTED, KyString("packet sockets need CAP_NET_RAW"))
                                : SocketError("cannot open a packet socket");
        return error;
    }

    // Loads relative to the IPv4 header, whatever the link layer's header.
    const auto net = [](uint32_t offset) { return static_cast<uint32_t>(SKF_NET_OFF) + offset; };
    FilterBuilder filter;
    filter.Statement(BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, net(0)));  // X: IPv4 header length
    filter.Equal(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, static_cast<uint32_t>(SKF_AD_OFF + SKF_AD_PKTTYPE)),
                 PACKET_HOST);
    filter.Equal(BPF_STMT(BPF_LD | BPF_B | BPF_ABS, net(9)), IPPROTO_UDP);
    filter.NoneOf(BPF_STMT(BPF_LD | BPF_H | BPF_ABS, net(6)), 0x3FFF);     // more fragments, fragment offset
    filter.AtMost(BPF_STMT(BPF_LD | BPF_H | BPF_ABS, net(2)), where.mtu);  // not a glued run (see header)
    filter.Equal(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, net(16)), ntohl(local));
    if (target.sourceAddress)
        filter.Equal(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, net(12)), ntohl(target.sourceAddress));
    filter.Equal(BPF_STMT(BPF_LD | BPF_H | BPF_IND, net(2)), target.port);
    KyResult result = AttachFilter(mFd, filter.Build(SNAP_LENGTH));
    int version = TPACKET_V3;
    if (result.IsOK() && setsockopt(mFd, SOL_PACKET, PACKET_VERSION, &version, sizeof version) != 0)
        result = SocketError("cannot select packet ring version 3");
    int one = 1;
    if (result.IsOK() && setsockopt(mFd, SOL_PACKET, PACKET_VNET_HDR, &one, sizeof one) != 0)
        result = SocketError("cannot ask for virtio headers on the packet ring");

    // Small rings get smaller blocks, so that the reader still gives them back often.
    size_t blockSize = BLOCK_SIZE;
    while (blockSize > MIN_BLOCK_SIZE && blockSize * MIN_BLOCKS > ringBytes)
        blockSize /= 2;
    size_t blocks = std::max(MIN_BLOCKS, ringBytes / blockSize);
    while (result.IsOK()) {
        tpacket_req3 request{};
        request.tp_block_size = static_cast<unsigned>(blockSize);
        request.tp_block_nr = static_cast<unsigned>(blocks);
        request.tp_frame_size = FRAME_SIZE;
        request.tp_frame_nr = static_cast<unsigned>(blockSize / FRAME_SIZE * blocks);
        request.tp_retire_blk_tov = BLOCK_TIMEOUT_MS;
        if (setsockopt(mFd, SOL_PACKET, PACKET_RX_RING, &request, sizeof request) == 0)
            break;
        if (errno != ENOMEM || blocks <= MIN_BLOCKS)
            result = SocketError("cannot set up a packet ring");
        blocks /= 2;  // the kernel could not find that much memory: a smaller ring still serves
    }
    if (result.IsOK()) {
        mMapSize = blockSize * blocks;
        void *map = mmap(nullptr, mMapSize, PROT_READ | PROT_WRITE, MAP_SHARED, mFd, 0);
        if (map == MAP_FAILED)
            result = SocketError("cannot map the packet ring");
        else
            mMap = static_cast<uint8_t *>(map);
    }
    sockaddr_ll link{};
    link.sll_family = AF_PACKET;
    link.sll_protocol = htons(ETH_P_IP);
    link.sll_ifindex = static_cast<int>(where.index);
    if (result.IsOK() && bind(mFd, reinterpret_cast<const sockaddr *>(&link), sizeof link) != 0)
        result = SocketError("cannot bind the packet ring to " + where.name);
    if (result.IsFailure()) {
        Close();
        return result;
    }
    mBlockSize = blockSize;
    mBlockCount = blocks;
    mCurrent = 0;
    mDiscardBefore = 0;
    mMtu = where.mtu;
    mInterfaceIndex = where.index;
    return KyResult();
}

const GvspPacketRing::Statistics &GvspPacketRing::CollectStatistics() const
{
    tpacket_stats_v3 counted{};
    socklen_t length = sizeof counted;
    if (mFd >= 0 && getsockopt(mFd, SOL_PACKET, PACKET_STATISTICS, &counted, &length) == 0) {
        // tp_packets counts the dropped records too.
        mStatistics.records += counted.tp_packets - std::min(counted.tp_drops, counted.tp_packets);
        mStatistics.drops += counted.tp_drops;
        mStatistics.freezes += counted.tp_freeze_q_cnt;
    }
    return mStatistics;
}

void GvspPacketRing::DiscardArrived()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);  // the clock the kernel stamps the records with
    mDiscardBefore = uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

void GvspPacketRing::Close()
{
    if (mMap)
        munmap(mMap, mMapSize);
    if (mFd >= 0)
        ::close(mFd);
    mMap = nullptr;
    mMapSize = 0;
    mFd = -1;
    mBlockCount = 0;
    mMtu = 0;
    mInterfaceIndex = 0;
}

KyResult GvspPacketRing::LimitSocketToFragmented(int udpFd) const
{
    if (!IsOpen())
        return KyResult(KY_STATE_ERROR, KyString("the packet ring is not open"));
    // Everything that came through another interface; from the ring's interface, what is longer
    // than its MTU (the IPv4 total length of the reassembled datagram or of the glued run,
    // wherever the socket's data starts). The kernel counts each datagram the filter drops as a
    // UDP receive error. Keeping an empty datagram of each instead (a length of 1 keeps the UDP
    // header alone) would avoid that, but the reader then has to take every one of them out of
    // the socket: with 1500-byte packets of 2448x2048 frames from a sender without segmentation
    // offload that cost the receiver 3x aravis's CPU per frame (bench_sidebyside).
    std::vector<sock_filter> code = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, static_cast<uint32_t>(SKF_AD_OFF + SKF_AD_IFINDEX)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, mInterfaceIndex, 0, 2),
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, static_cast<uint32_t>(SKF_NET_OFF) + 2),
        BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, mMtu, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    return AttachFilter(udpFd, code);
}

const uint8_t *GvspPacketRing::ReadyBlock() const
{
    if (!mMap)
        return nullptr;
    auto *block = reinterpret_cast<tpacket_block_desc *>(mMap + mCurrent * mBlockSize);
    const uint32_t status = __atomic_load_n(&block->hdr.bh1.block_status, __ATOMIC_ACQUIRE);
    return (status & TP_STATUS_USER) ? mMap + mCurrent * mBlockSize : nullptr;
}

uint32_t GvspPacketRing::RecordCount(const uint8_t *block) const
{
    return reinterpret_cast<const tpacket_block_desc *>(block)->hdr.bh1.num_pkts;
}

// The kernel wrote the records on another processor, often moments ago: their lines come from
// its cache one by one. For short records (where the processor's own prefetcher gets only a few
// lines of each page in sequence) the lines a few records ahead are asked for while the records in
// hand are copied; long records stream well enough on their own.
void GvspPacketRing::Prefetch(const uint8_t *block, size_t from, size_t recordEnd)
{
    const size_t to = std::min(mBlockSize, recordEnd + PREFETCH_DISTANCE);
    for (size_t line = std::max(from, mPrefetched) & ~size_t(63); line < to; line += 64)
        __builtin_prefetch(block + line);
    mPrefetched = to;
}

bool GvspPacketRing::ParseRecord(const uint8_t *block, bool first, size_t offset, Datagram &out)
{
    out = Datagram();
    const size_t at =
        first ? reinterpret_cast<const tpacket_block_desc *>(block)->hdr.bh1.offset_to_first_pkt : offset;
    if (at < sizeof(tpacket_block_desc) || at > mBlockSize || mBlockSize - at < sizeof(tpacket3_hdr))
        return false;
    tpacket3_hdr record;
    std::memcpy(&record, block + at, sizeof record);
    if (record.tp_next_offset)
        out.next = at + record.tp_next_offset;
    out.stamp = uint64_t(record.tp_sec) * 1000000000u + record.tp_nsec;
    if (first)
        mPrefetched = 0;
    if (record.tp_next_offset && record.tp_next_offset < SHORT_RECORD)
        Prefetch(block, at, out.next);
    const size_t room = mBlockSize - at;
    if (record.tp_mac > room || record.tp_snaplen > room - record.tp_mac || record.tp_net < record.tp_mac ||
        static_cast<uint32_t>(record.tp_net - record.tp_mac) > record.tp_snaplen)
        return false;
    // The virtio header lies just before the link layer's header.
    if (record.tp_mac < sizeof(tpacket3_hdr) + sizeof(VirtioHeader))
        return false;
    VirtioHeader vnet;
    std::memcpy(&vnet, block + at + record.tp_mac - sizeof vnet, sizeof vnet);
    const uint8_t gso = vnet.gsoType & static_cast<uint8_t>(~GSO_ECN);
    if (gso == GSO_UDP_L4 && vnet.gsoSize > 0)
        out.segment = le16toh(vnet.gsoSize);
    else if (gso != GSO_NONE)
        return false;
    // Packets made on this host have no checksum yet; most adapters check it on arrival.
    const bool checked = (record.tp_status & (TP_STATUS_CSUMNOTREADY | TP_STATUS_CSUM_VALID)) != 0;
    return ParseDatagram(block + at + record.tp_net, record.tp_snaplen - (record.tp_net - record.tp_mac),
                         checked, out.payload, out.length);
}

bool GvspPacketRing::ParseDatagram(const uint8_t *ip, size_t captured, bool checksumChecked,
                                   const uint8_t *&payload, size_t &length)
{
    if (ip == nullptr || captured < 20 || (ip[0] >> 4) != 4)
        return false;
    const size_t headerLength = (ip[0] & 0x0Fu) * 4u;
    const size_t total = Be16(ip + 2);
    if (headerLength < 20 || total < headerLength + 8 || total > captured)
        return false;
    const uint8_t *udp = ip + headerLength;
    const size_t udpLength = Be16(udp + 4);
    if (udpLength < 8 || udpLength > total - headerLength)
        return false;
    if (!checksumChecked && (udp[6] | udp[7]) && !UdpChecksumOk(ip, udp, udpLength))
        return false;
    payload = udp + 8;
    length = udpLength - 8;
    return true;
}

void GvspPacketRing::ReleaseBlock()
{
    auto *block = reinterpret_cast<tpacket_block_desc *>(mMap + mCurrent * mBlockSize);
    __atomic_store_n(&block->hdr.bh1.block_status, TP_STATUS_KERNEL, __ATOMIC_RELEASE);
    mCurrent = (mCurrent + 1) % mBlockCount;
}

}  // namespace ky::gev
