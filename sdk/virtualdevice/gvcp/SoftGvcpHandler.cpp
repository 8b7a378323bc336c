#include "gvcp/SoftGvcpHandler.h"

#include <algorithm>
#include <vector>

#include "SoftLog.h"
#include "ky/device/KyGevConstants.h"
#include "gev/ByteCursor.h"

namespace ky::soft {

using namespace ky::gev;

Packet SoftGvcpHandler::ErrorAck(const CommandHeader &header, Status status)
{
    AckHeader ack;
    ack.status = status;
    ack.acknowledge = static_cast<Command>(static_cast<uint16_t>(header.command) + 1);
    ack.ackId = header.requestId;
    Packet out;
    BuildBareAck(ack, out);
    return out;
}

Status SoftGvcpHandler::StatusForResult(const KyResult &result)
{
    switch (result.GetCode()) {
    case KY_OK:
        return Status::SUCCESS;
    case KY_INVALID_PARAMETER:
        return Status::INVALID_PARAMETER;
    case KY_BUSY:
        return Status::BUSY;
    case KY_NOT_IMPLEMENTED:
    case KY_NOT_SUPPORTED:
        return Status::NOT_IMPLEMENTED;
    default:
        return Status::ERROR;
    }
}

namespace {

// Parses a command; on failure `errorAck` holds the answer for it.
template <typename T>
bool ParseCommand(const uint8_t *data, size_t size, T &command, Packet &errorAck)
{
    const CodecError error = Parse(data, size, command);
    if (error != CodecError::Ok) {
        errorAck = SoftGvcpHandler::ErrorAck(command.header, StatusForCodecError(error));
        return false;
    }
    return true;
}

}  // namespace

Packet SoftGvcpHandler::Execute(const uint8_t *data, size_t size, const SoftPeer &peer, uint32_t &forcedIp,
                                SoftNetworkConfig *replaced)
{
    CommandHeader header;
    const CodecError error = ParseCommandHeader(data, size, header);
    if (error == CodecError::ShorterThanHeader || error == CodecError::BadKey) {
        return {};  // not a GVCP command: nothing to answer
    }
    switch (header.command) {
    case Command::DISCOVERY_CMD:
        return Discovery(data, size);
    case Command::FORCEIP_CMD:
        return ForceIp(data, size, forcedIp, replaced);
    case Command::READREG_CMD:
        return ReadReg(data, size, peer);
    case Command::WRITEREG_CMD:
        return WriteReg(data, size, peer);
    case Command::READMEM_CMD:
        return ReadMem(data, size, peer);
    case Command::WRITEMEM_CMD:
        return WriteMem(data, size, peer);
    case Command::PACKETRESEND_CMD:
        return PacketResend(data, size, peer);
    case Command::ACTION_CMD:
        mStatistics.Count(SoftDeviceStatistics::ActionCommands);
        return ErrorAck(header, Status::NOT_IMPLEMENTED);
    default:
        return ErrorAck(header, Status::NOT_IMPLEMENTED);
    }
}

Packet SoftGvcpHandler::Discovery(const uint8_t *data, size_t size)
{
    mStatistics.Count(SoftDeviceStatistics::Discoveries);
    DiscoveryCmd command;
    Packet out;
    if (!ParseCommand(data, size, command, out)) {
        return out;
    }
    DiscoveryAck ack;
    ack.header.ackId = command.header.requestId;
    ack.info = mHost.Identity();
    Build(ack, out);
    return out;
}

Packet SoftGvcpHandler::ForceIp(const uint8_t *data, size_t size, uint32_t &forcedIp,
                                SoftNetworkConfig *replaced)
{
    mStatistics.Count(SoftDeviceStatistics::ForceIps);
    ForceIpCmd command;
    Packet out;
    if (!ParseCommand(data, size, command, out)) {
        return out;
    }
    if (command.mac != mMac) {
        return {};  // FORCEIP goes out by broadcast: only the device with that MAC answers
    }
    SoftNetworkConfig config;
    config.ip = command.staticIp;
    config.mask = command.subnetMask;
    config.gateway = command.gateway;
    SoftNetworkConfig previous;
    forcedIp = mHost.ForceIp(config, previous);
    if (replaced != nullptr) {
        *replaced = previous;
    } else if (previous.ip != 0) {
        mHost.DropForcedIp(previous);
    }
    ForceIpAck ack;
    ack.header.ackId = command.header.requestId;
    Build(ack, out);
    return out;
}

// Resend requests are never acknowledged: the answer is the packets themselves, on the stream.
Packet SoftGvcpHandler::PacketResend(const uint8_t *data, size_t size, const SoftPeer &peer)
{
    mStatistics.Count(SoftDeviceStatistics::PacketResends);
    PacketResendCmd command;
    if (Parse(data, size, command) != CodecError::Ok ||
        !mPrivilege.MayRequestResend(peer, mHost.StreamDestination(command.streamChannel))) {
        return {};
    }
    mHost.PacketResend(command.streamChannel, command.blockId, command.firstPacketId, command.lastPacketId);
    return {};
}

Packet SoftGvcpHandler::ReadReg(const uint8_t *data, size_t size, const SoftPeer &peer)
{
    mStatistics.Count(SoftDeviceStatistics::ReadRegs);
    ReadRegCmd command;
    Packet out;
    if (!ParseCommand(data, size, command, out)) {
        return out;
    }
    ReadRegAck ack;
    ack.header.ackId = command.header.requestId;
    for (uint32_t address : command.addresses) {
        uint8_t bytes[4];
        ack.header.status = ReadMemory(address, bytes, sizeof(bytes), peer);
        if (ack.header.status != Status::SUCCESS) {
            break;  // the values read so far go back with the failure
        }
        uint32_t value = 0;
        ByteReader(bytes, sizeof(bytes)).ReadU32(value);
        ack.values.push_back(value);
    }
    Build(ack, out);
    return out;
}

Packet SoftGvcpHandler::WriteReg(const uint8_t *data, size_t size, const SoftPeer &peer)
{
    mStatistics.Count(SoftDeviceStatistics::WriteRegs);
    WriteRegCmd command;
    Packet out;
    if (!ParseCommand(data, size, command, out)) {
        return out;
    }
    WriteRegAck ack;
    ack.header.ackId = command.header.requestId;
    for (const RegisterWrite &write : command.writes) {
        uint8_t bytes[4];
        ByteWriter(bytes, sizeof(bytes)).WriteU32(write.value);
        ack.header.status = WriteMemory(write.address, bytes, sizeof(bytes), peer);
        if (ack.header.status != Status::SUCCESS) {
            break;  // the index names the failing write
        }
        ++ack.index;
    }
    Build(ack, out);
    return out;
}

Packet SoftGvcpHandler::ReadMem(const uint8_t *data, size_t size, const SoftPeer &peer)
{
    mStatistics.Count(SoftDeviceStatistics::ReadMems);
    ReadMemCmd command;
    Packet out;
    if (!ParseCommand(data, size, command, out)) {
        return out;
    }
    ReadMemAck ack;
    ack.header.ackId = command.header.requestId;
    ack.address = command.address;
    ack.data.assign(command.count, 0);
    ack.header.status = ReadMemory(command.address, ack.data.data(), ack.data.size(), peer);
    if (ack.header.status != Status::SUCCESS) {
        return ErrorAck(command.header, ack.header.status);
    }
    Build(ack, out);
    return out;
}

Packet SoftGvcpHandler::WriteMem(const uint8_t *data, size_t size, const SoftPeer &peer)
{
    mStatistics.Count(SoftDeviceStatistics::WriteMems);
    WriteMemCmd command;
    Packet out;
    if (!ParseCommand(data, size, command, out)) {
        return out;
    }
    WriteMemAck ack;
    ack.header.ackId = command.header.requestId;
    ack.header.status = WriteMemory(command.address, command.data.data(), command.data.size(), peer);
    ack.index = ack.header.status == Status::SUCCESS ? static_cast<uint16_t>(command.data.size()) : 0;
    Build(ack, out);
    return out;
}

Status SoftGvcpHandler::CheckRange(uint32_t address, size_t size, bool write, const SoftPeer &peer,
                                   std::vector<RangePiece> &pieces)
{
    pieces.clear();
    uint64_t at = address;
    const uint64_t end = static_cast<uint64_t>(address) + size;
    while (at < end) {
        SoftRegister *reg = mMap.FindContaining(static_cast<uint32_t>(at));
        if (reg == nullptr) {
            return Status::INVALID_ADDRESS;
        }
        if (write) {
            // The CCP register is how a controller asks for control, so anyone may write it.
            if (reg->GetAddress() != CCP_OFFSET && !mPrivilege.MayWrite(peer)) {
                return Status::ACCESS_DENIED;
            }
            if (!reg->IsWritable()) {
                return Status::WRITE_PROTECT;
            }
        } else {
            if (!mPrivilege.MayRead(peer) || !reg->IsReadable()) {
                return Status::ACCESS_DENIED;
            }
        }
        const uint64_t regEnd = reg->GetAddress() + static_cast<uint64_t>(reg->GetLength());
        const uint64_t pieceEnd = std::min(regEnd, end);
        pieces.push_back({reg, static_cast<uint32_t>(at - reg->GetAddress()),
                          static_cast<uint32_t>(at - address), static_cast<uint32_t>(pieceEnd - at)});
        at = regEnd;
    }
    return Status::SUCCESS;
}

Status SoftGvcpHandler::ReadMemory(uint32_t address, uint8_t *out, size_t size, const SoftPeer &peer)
{
    std::vector<RangePiece> pieces;
    Status status = CheckRange(address, size, false, peer, pieces);
    for (auto piece = pieces.begin(); status == Status::SUCCESS && piece != pieces.end(); ++piece) {
        status = StatusForResult(piece->reg->ReadBytes(out + piece->done, piece->length, piece->offset));
    }
    return status;
}

Status SoftGvcpHandler::WriteMemory(uint32_t address, const uint8_t *data, size_t size, const SoftPeer &peer)
{
    std::vector<RangePiece> pieces;
    Status status = CheckRange(address, size, true, peer, pieces);
    for (auto piece = pieces.begin(); status == Status::SUCCESS && piece != pieces.end(); ++piece) {
        if (piece->reg->GetAddress() != CCP_OFFSET) {
            status = StatusForResult(piece->reg->Write(data + piece->done, piece->length, piece->offset));
        } else if (piece->offset == 0 && piece->length == 4) {
            status = WriteCcp(*piece->reg, data + piece->done, peer);
        } else {
            status = Status::INVALID_ADDRESS;  // the privilege changes by its whole word only
        }
    }
    return status;
}

Status SoftGvcpHandler::WriteCcp(SoftRegister &reg, const uint8_t *data, const SoftPeer &peer)
{
    uint32_t value = 0;
    ByteReader(data, 4).ReadU32(value);
    SoftControlPrivilege::Change change = SoftControlPrivilege::Change::None;
    const Status status = mPrivilege.WriteCcp(peer, value, change);
    if (status != Status::SUCCESS) {
        return status;
    }
    // The stored value and the program's sinks follow the privilege, which has changed already:
    // a refusal from them cannot undo it, so it is logged and the command still succeeds.
    const KyResult stored = reg.Write(data, 4, 0);
    if (stored.IsFailure()) {
        SoftLog("SoftDevice", "CCP write not stored: %s", stored.GetDescription().GetAscii());
    }
    if (change == SoftControlPrivilege::Change::Connected) {
        mStatistics.Count(SoftDeviceStatistics::SessionsOpened);
    } else if (change == SoftControlPrivilege::Change::Disconnected) {
        mStatistics.Count(SoftDeviceStatistics::SessionsClosed);
    }
    if (change != SoftControlPrivilege::Change::None) {
        mHost.ControlChanged(change, peer, mPrivilege.Access());
    }
    return Status::SUCCESS;
}

}  // namespace ky::soft
