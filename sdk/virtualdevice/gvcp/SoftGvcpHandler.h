// SoftGvcpHandler: runs one GVCP command against the register map and the control privilege
// and builds its acknowledge. Safe to call from several threads.
#pragma once

#include <vector>

#include "gvcp/SoftControlPrivilege.h"
#include "SoftDeviceHost.h"
#include "SoftDeviceStatistics.h"
#include "registers/SoftRegisterMap.h"
#include "gev/Gvcp.h"

namespace ky::soft {

class SoftGvcpHandler
{
public:
    SoftGvcpHandler(SoftRegisterMap &map, SoftControlPrivilege &privilege, SoftDeviceStatistics &statistics,
                    SoftDeviceHost &host, const ky::gev::MacAddress &mac)
        : mMap(map), mPrivilege(privilege), mStatistics(statistics), mHost(host), mMac(mac)
    { }

    // The acknowledge for a received command (empty: no answer, as for a FORCEIP for another
    // device or an unreadable header). `forcedIp` is set when a FORCEIP gave the device an address.
    // An address the FORCEIP replaced goes to `replaced`, for the caller to drop (DropForcedIp of
    // the host) once the acknowledge is sent from it; without `replaced` it is dropped at once.
    ky::gev::Packet Execute(const uint8_t *data, size_t size, const SoftPeer &peer, uint32_t &forcedIp,
                            SoftNetworkConfig *replaced = nullptr);

    // A bare acknowledge with an error status for a command.
    static ky::gev::Packet ErrorAck(const ky::gev::CommandHeader &header, ky::gev::Status status);
    static ky::gev::Status StatusForResult(const KyResult &result);

private:
    ky::gev::Packet Discovery(const uint8_t *data, size_t size);
    ky::gev::Packet ForceIp(const uint8_t *data, size_t size, uint32_t &forcedIp,
                            SoftNetworkConfig *replaced);
    ky::gev::Packet PacketResend(const uint8_t *data, size_t size, const SoftPeer &peer);
    ky::gev::Packet ReadReg(const uint8_t *data, size_t size, const SoftPeer &peer);
    ky::gev::Packet WriteReg(const uint8_t *data, size_t size, const SoftPeer &peer);
    ky::gev::Packet ReadMem(const uint8_t *data, size_t size, const SoftPeer &peer);
    ky::gev::Packet WriteMem(const uint8_t *data, size_t size, const SoftPeer &peer);

    // The part of an accessed range that falls in one register.
    struct RangePiece
    {
        SoftRegister *reg;
        uint32_t offset;  // into the register
        uint32_t done;    // into the caller's bytes
        uint32_t length;
    };

    // Read and write memory alike (READREG, WRITEREG, READMEM, WRITEMEM): the whole range is
    // checked first (every byte in a register, access allowed), then accessed piece by piece.
    ky::gev::Status ReadMemory(uint32_t address, uint8_t *out, size_t size, const SoftPeer &peer);
    ky::gev::Status WriteMemory(uint32_t address, const uint8_t *data, size_t size, const SoftPeer &peer);
    // The one check of a range: its status, and on success the pieces that cover it in order.
    ky::gev::Status CheckRange(uint32_t address, size_t size, bool write, const SoftPeer &peer,
                               std::vector<RangePiece> &pieces);
    ky::gev::Status WriteCcp(SoftRegister &reg, const uint8_t *data, const SoftPeer &peer);

    SoftRegisterMap &mMap;
    SoftControlPrivilege &mPrivilege;
    SoftDeviceStatistics &mStatistics;
    SoftDeviceHost &mHost;
    const ky::gev::MacAddress mMac;
};

}  // namespace ky::soft
