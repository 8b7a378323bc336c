#include "GvcpClient.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "GevResendRoutes.h"
#include "GvcpStatus.h"
#include "GvcpTrafficLog.h"
#include "HostAdapters.h"
#include "gev/Gvcp.h"

namespace ky {
namespace device {

namespace {
using Clock = std::chrono::steady_clock;
// An acknowledge is accepted only when its payload parses as the expected message.
using AckCheck = std::function<bool(const uint8_t *data, size_t length)>;

KyResult NotOpen() { return KyResult(KY_NOT_CONNECTED, "the control link to the device is not open"); }

template <class Ack>
AckCheck ParseInto(Ack &ack, std::function<bool(const Ack &)> matches)
{
    return [&ack, matches](const uint8_t *data, size_t length) {
        return gev::Parse(data, length, ack) == gev::CodecError::Ok && matches(ack);
    };
}
}  // namespace

GvcpClient::GvcpClient() = default;
GvcpClient::~GvcpClient() { Close(); }

KyResult GvcpClient::Open(uint32_t deviceIp, const Settings &settings)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (OpenLocked())
        return KyResult(KY_STATE_ERROR, "the control link is already open");
    if (settings.tcp) {
        const auto wait = settings.answerTimeout * std::max<uint32_t>(settings.attempts, 1);
        KyResult connected = mTcp.Connect(deviceIp, settings.port, static_cast<int>(wait.count()));
        if (connected.IsFailure())
            return KyResult(connected.GetCode(), connected.GetOSCode(),
                            KyString("no TCP connection to the device at ") + KyString(FormatIPv4(deviceIp)) +
                                KyString(" (is its TCP transport on?): ") + connected.GetDescription());
        mTcpOpen = true;
        mLocalIp = mTcp.LocalIp();
        mDeviceIp = deviceIp;
        mSettings = settings;
        return KyResult();
    }
    KyResult opened = mSocket.Open(gev::UdpSocket::ANY_IP, 0);
    if (opened.IsFailure())
        return KyResult(KY_NETWORK_ERROR, opened.GetOSCode(), "cannot open a UDP socket");
    // Connected: the kernel picks the route now, and only the device's datagrams come in.
    uint32_t localIp = 0;
    KyResult connected = mSocket.Connect(deviceIp, settings.port, localIp);
    if (connected.GetCode() == KY_NOT_CONNECTED) {
        mSocket.Close();
        return KyResult(KY_NETWORK_ERROR, connected.GetOSCode(),
                        KyString("no route to the device at ") + KyString(FormatIPv4(deviceIp)));
    }
    mLocalIp = localIp;
    mDeviceIp = deviceIp;
    mSettings = settings;
    return KyResult();
}

GvcpClient::Settings GvcpClient::GetSettings()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSettings;
}

void GvcpClient::SetSettings(const Settings &settings)
{
    std::lock_guard<std::mutex> lock(mMutex);
    const uint16_t port = mSettings.port;
    const bool tcp = mSettings.tcp;
    mSettings = settings;
    if (OpenLocked()) {
        mSettings.port = port;
        mSettings.tcp = tcp;
    }
}

void GvcpClient::Close()
{
    // The route is withdrawn without the command lock: Withdraw waits for a resend being sent
    // from the socket and for a stream's register access, which takes that lock.
    uint32_t routeIp = 0;
    bool offered = false;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        offered = mRouteOffered;
        routeIp = mDeviceIp;
        mRouteOffered = false;
        mClosing = true;
    }
    if (offered)
        GevResendRoutes::Instance().Withdraw(routeIp, this);
    std::lock_guard<std::mutex> lock(mMutex);
    mClosing = false;
    mSocket.Close();
    mTcp.Close();
    mTcpOpen = false;
    mDeviceIp = 0;
    mLocalIp = 0;
}

bool GvcpClient::IsOpen()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return OpenLocked();
}

uint16_t GvcpClient::NextRequestId()
{
    // Commands take ids under the lock, resend requests without it: the atomic sequence keeps
    // them apart, and a resend never borrows the id of the command in flight, which the device
    // would take for a repeat of that command.
    for (;;) {
        const uint16_t id = static_cast<uint16_t>(mLastRequestId.fetch_add(1) + 1);
        if (id != 0 && id != mInFlightId.load())  // 0 is not a valid request id
            return id;
    }
}

namespace {
// The request id of the command in flight, for as long as it is in flight.
class InFlight
{
public:
    InFlight(std::atomic<uint16_t> &slot, uint16_t id) : mSlot(slot) { mSlot = id; }
    ~InFlight() { mSlot = 0; }
    InFlight(const InFlight &) = delete;
    InFlight &operator=(const InFlight &) = delete;

private:
    std::atomic<uint16_t> &mSlot;
};

struct WaitContext
{
    const GvcpClient::Settings &settings;
    uint32_t deviceIp;
    std::atomic<uint64_t> &pendingAcks;
    std::atomic<uint64_t> &pendingCeilings;
};
}  // namespace

// Sends the packet and waits for its acknowledge: type and id must match, an error status ends
// the wait with that status, PENDING_ACK moves the deadline (up to the command's ceiling),
// anything else is ignored. The same request id is used for every attempt so that the device
// can recognise a repeat.
template <class Socket>
static KyResult SendAndWait(Socket &socket, const gev::Packet &packet, uint16_t requestId,
                            gev::Command command, gev::Command expected, uint32_t address,
                            const WaitContext &context, const AckCheck &accept)
{
    const GvcpClient::Settings &settings = context.settings;
    const uint32_t attempts = std::max<uint32_t>(settings.attempts, 1);
    const std::chrono::milliseconds ceiling =
        std::max(settings.pendingCeiling, settings.answerTimeout * attempts);
    const Clock::time_point end = Clock::now() + ceiling;
    bool pending = false;  // the device answered PENDING_ACK: the ceiling applies
    uint8_t buffer[2048];
    for (uint32_t attempt = 0; attempt < attempts && !(pending && Clock::now() >= end); ++attempt) {
        DumpGvcp("GvcpClient sent", packet.data(), packet.size());
        if (socket.Send(packet.data(), packet.size()) < 0 && errno != ECONNREFUSED)
            return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(errno), "cannot send to the device");
        Clock::time_point deadline = Clock::now() + settings.answerTimeout;
        if (pending)
            deadline = std::min(deadline, end);
        for (;;) {
            // Ends only once the deadline has passed (not up to a millisecond before it), so that a
            // wait that ran to the ceiling is reported as the ceiling.
            const Clock::duration remaining = deadline - Clock::now();
            if (remaining <= Clock::duration::zero())
                break;
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(remaining);
            const int ready = socket.WaitReadable(static_cast<int>(left.count()));
            if (ready < 0)
                return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(errno),
                                "waiting for the device failed");
            if (ready == 0)
                continue;
            const ssize_t received = socket.Receive(buffer, sizeof buffer);
            if (received < 0 && errno == ECONNRESET)  // a TCP link that is gone
                return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(ECONNRESET),
                                "the TCP connection to the device is lost");
            if (received <= 0)
                continue;  // includes ECONNREFUSED: nothing listens at the device's port (yet)
            const size_t length = static_cast<size_t>(received);
            DumpGvcp("GvcpClient received", buffer, length);
            gev::AckHeader header;
            if (gev::ParseAckHeader(buffer, length, header) != gev::CodecError::Ok ||
                header.ackId != requestId)
                continue;
            if (header.acknowledge == gev::Command::PENDING_ACK) {
                gev::PendingAck ack;
                if (gev::Parse(buffer, length, ack) == gev::CodecError::Ok) {
                    ++context.pendingAcks;
                    pending = true;
                    const std::chrono::milliseconds announced(ack.timeToCompletionMs);
                    deadline = std::min(end, Clock::now() + std::max(settings.answerTimeout, announced));
                }
                continue;
            }
            if (header.acknowledge != expected)
                continue;
            if (header.status != gev::Status::SUCCESS)
                return ResultForStatus(header.status, command, address);
            if (accept(buffer, length))
                return KyResult();
        }
    }
    char text[192];
    if (pending && Clock::now() >= end) {
        ++context.pendingCeilings;
        std::snprintf(
            text, sizeof text,
            "The device at %s kept %s at 0x%08X pending beyond the longest wait of a command (%lld ms).",
            FormatIPv4(context.deviceIp).c_str(), gev::CommandName(command), address,
            static_cast<long long>(ceiling.count()));
        return KyResult(KY_TIMEOUT, text);
    }
    std::snprintf(text, sizeof text, "No answer from the device at %s to %s at 0x%08X (%u attempts).",
                  FormatIPv4(context.deviceIp).c_str(), gev::CommandName(command), address, attempts);
    return KyResult(KY_TIMEOUT, text);
}

void GvcpClient::OfferResendRoute()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mSocket.IsOpen() || mRouteOffered || mClosing)
        return;  // over TCP: streams ask for no resends
    GevResendRoutes::Instance().Offer(mDeviceIp, this);
    mRouteOffered = true;
}

bool GvcpClient::SendPacketResend(uint16_t channel, uint64_t blockId, uint32_t firstPacketId,
                                  uint32_t lastPacketId)
{
    // The socket stays open while the route is offered: Close withdraws it first.
    const gev::PacketResendCmd command =
        gev::MakePacketResend(NextRequestId(), channel, blockId, firstPacketId, lastPacketId);
    gev::Packet packet;
    if (gev::Build(command, packet) != gev::CodecError::Ok)
        return false;
    DumpGvcp("GvcpClient sent", packet.data(), packet.size());
    if (mSocket.Send(packet.data(), packet.size(), true) != static_cast<ssize_t>(packet.size()))
        return false;
    ++mResendsSent;
    return true;
}

GvcpClient::Statistics GvcpClient::GetStatistics() const
{
    Statistics statistics;
    statistics.pendingAcks = mPendingAcks;
    statistics.pendingCeilings = mPendingCeilings;
    statistics.resendsSent = mResendsSent;
    return statistics;
}

KyResult GvcpClient::ReadRegister(uint32_t address, uint32_t &value)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!OpenLocked())
        return NotOpen();
    gev::ReadRegCmd command;
    command.header.requestId = NextRequestId();
    InFlight inFlight(mInFlightId, command.header.requestId);
    const WaitContext context{mSettings, mDeviceIp, mPendingAcks, mPendingCeilings};
    command.addresses.push_back(address);
    gev::Packet packet;
    if (gev::Build(command, packet) != gev::CodecError::Ok)
        return KyResult(KY_INVALID_PARAMETER, "a register address must be a multiple of 4");
    gev::ReadRegAck ack;
    KyResult result = OnLink([&](auto &link) {
        return SendAndWait(
            link, packet, command.header.requestId, gev::Command::READREG_CMD, gev::Command::READREG_ACK,
            address, context,
            ParseInto<gev::ReadRegAck>(ack, [](const gev::ReadRegAck &a) { return a.values.size() == 1; }));
    });
    value = result.IsOK() ? ack.values[0] : 0;
    return result;
}

KyResult GvcpClient::WriteRegister(uint32_t address, uint32_t value, bool acknowledge)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!OpenLocked())
        return NotOpen();
    gev::WriteRegCmd command;
    command.header.flags = acknowledge ? gev::FLAG_ACK_REQUIRED : 0;
    command.header.requestId = NextRequestId();
    InFlight inFlight(mInFlightId, command.header.requestId);
    const WaitContext context{mSettings, mDeviceIp, mPendingAcks, mPendingCeilings};
    command.writes.push_back({address, value});
    gev::Packet packet;
    if (gev::Build(command, packet) != gev::CodecError::Ok)
        return KyResult(KY_INVALID_PARAMETER, "a register address must be a multiple of 4");
    if (!acknowledge) {
        DumpGvcp("GvcpClient sent", packet.data(), packet.size());
        return OnLink([&](auto &link) {
            if (link.Send(packet.data(), packet.size()) < 0)
                return KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(errno), "cannot send to the device");
            return KyResult();
        });
    }
    gev::WriteRegAck ack;
    return OnLink([&](auto &link) {
        return SendAndWait(
            link, packet, command.header.requestId, gev::Command::WRITEREG_CMD, gev::Command::WRITEREG_ACK,
            address, context,
            ParseInto<gev::WriteRegAck>(ack, [](const gev::WriteRegAck &a) { return a.index == 1; }));
    });
}

KyResult GvcpClient::ReadMemoryBlock(uint32_t address, uint8_t *destination, size_t count)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!OpenLocked())
        return NotOpen();
    gev::ReadMemCmd command;
    command.header.requestId = NextRequestId();
    InFlight inFlight(mInFlightId, command.header.requestId);
    const WaitContext context{mSettings, mDeviceIp, mPendingAcks, mPendingCeilings};
    command.address = address;
    command.count = static_cast<uint16_t>(count);
    gev::Packet packet;
    if (gev::Build(command, packet) != gev::CodecError::Ok)
        return KyResult(KY_INVALID_PARAMETER, "a memory block must be aligned to 4 bytes");
    gev::ReadMemAck ack;
    KyResult result = OnLink([&](auto &link) {
        return SendAndWait(link, packet, command.header.requestId, gev::Command::READMEM_CMD,
                           gev::Command::READMEM_ACK, address, context,
                           ParseInto<gev::ReadMemAck>(ack, [address, count](const gev::ReadMemAck &a) {
                               return a.address == address && a.data.size() == count;
                           }));
    });
    if (result.IsOK())
        std::memcpy(destination, ack.data.data(), count);
    return result;
}

KyResult GvcpClient::WriteMemoryBlock(uint32_t address, const uint8_t *source, size_t count)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!OpenLocked())
        return NotOpen();
    gev::WriteMemCmd command;
    command.header.requestId = NextRequestId();
    InFlight inFlight(mInFlightId, command.header.requestId);
    const WaitContext context{mSettings, mDeviceIp, mPendingAcks, mPendingCeilings};
    command.address = address;
    command.data.assign(source, source + count);
    gev::Packet packet;
    if (gev::Build(command, packet) != gev::CodecError::Ok)
        return KyResult(KY_INVALID_PARAMETER, "a memory block must be aligned to 4 bytes");
    gev::WriteMemAck ack;
    return OnLink([&](auto &link) {
        return SendAndWait(link, packet, command.header.requestId, gev::Command::WRITEMEM_CMD,
                           gev::Command::WRITEMEM_ACK, address, context,
                           ParseInto<gev::WriteMemAck>(ack, [](const gev::WriteMemAck &) { return true; }));
    });
}

namespace {
constexpr uint64_t kAddressSpace = uint64_t(1) << 32;
constexpr uint64_t kAlign = gev::MEMORY_ALIGNMENT;

bool SpanFits(uint32_t address, size_t count) { return uint64_t(address) + count <= kAddressSpace; }
uint64_t AlignDown(uint64_t value) { return value & ~(kAlign - 1); }
uint64_t AlignUp(uint64_t value) { return (value + kAlign - 1) & ~(kAlign - 1); }
KyResult OutsideAddressSpace()
{
    return KyResult(KY_INVALID_PARAMETER, "the memory range goes beyond the 32-bit address space");
}
}  // namespace

KyResult GvcpClient::ReadMemory(uint32_t address, uint8_t *destination, size_t count)
{
    if (count == 0)
        return KyResult();
    if (!SpanFits(address, count))
        return OutsideAddressSpace();
    const uint64_t begin = address, end = uint64_t(address) + count;
    uint8_t block[gev::READMEM_MAX_SIZE];
    for (uint64_t position = AlignDown(begin); position < AlignUp(end);) {
        const size_t size =
            static_cast<size_t>(std::min<uint64_t>(gev::READMEM_MAX_SIZE, AlignUp(end) - position));
        KyResult result = ReadMemoryBlock(static_cast<uint32_t>(position), block, size);
        if (!result.IsOK()) {
            std::memset(destination, 0, count);
            return result;
        }
        // Copy the part of the block that lies inside the requested range.
        const uint64_t from = std::max(position, begin), to = std::min(position + size, end);
        std::memcpy(destination + (from - begin), block + (from - position), static_cast<size_t>(to - from));
        position += size;
    }
    return KyResult();
}

KyResult GvcpClient::WriteMemory(uint32_t address, const uint8_t *source, size_t count)
{
    if (count == 0)
        return KyResult();
    if (!SpanFits(address, count))
        return OutsideAddressSpace();
    const uint64_t begin = address, end = uint64_t(address) + count;
    uint8_t block[gev::WRITEMEM_MAX_SIZE];
    for (uint64_t position = AlignDown(begin); position < AlignUp(end);) {
        const size_t size =
            static_cast<size_t>(std::min<uint64_t>(gev::WRITEMEM_MAX_SIZE, AlignUp(end) - position));
        const uint64_t from = std::max(position, begin), to = std::min(position + size, end);
        if (from != position || to != position + size) {
            // An unaligned edge: keep the device's bytes around the ones we change.
            KyResult result = ReadMemoryBlock(static_cast<uint32_t>(position), block, size);
            if (!result.IsOK())
                return result;
        }
        std::memcpy(block + (from - position), source + (from - begin), static_cast<size_t>(to - from));
        KyResult result = WriteMemoryBlock(static_cast<uint32_t>(position), block, size);
        if (!result.IsOK())
            return result;
        position += size;
    }
    return KyResult();
}

}  // namespace device
}  // namespace ky
