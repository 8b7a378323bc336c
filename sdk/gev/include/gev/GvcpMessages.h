// GVCP command and acknowledge payloads, one struct each, with a Build and a Parse overload.
// Include gev/Gvcp.h rather than this file.
#pragma once

namespace ky::gev {

// The identity a device gives in its discovery acknowledge; the same fields, in the same order,
// open the bootstrap register map.
struct DiscoveryInfo
{
    uint16_t specMajor = 2;
    uint16_t specMinor = 0;
    uint32_t deviceMode = 0;
    MacAddress mac{};
    uint32_t ipConfigOptions = 0;
    uint32_t ipConfigCurrent = 0;
    uint32_t currentIp = 0;  // host order: 10.0.0.1 is 0x0A000001
    uint32_t currentSubnetMask = 0;
    uint32_t currentGateway = 0;
    std::string manufacturerName;  // 32 bytes on the wire
    std::string modelName;         // 32
    std::string deviceVersion;     // 32
    std::string manufacturerInfo;  // 48
    std::string serialNumber;      // 16
    std::string userDefinedName;   // 16
};
// The 248-byte payload alone (also the layout of bootstrap registers 0x0000 to 0x00F7).
void BuildDiscoveryPayload(const DiscoveryInfo &info, uint8_t (&out)[DISCOVERY_ACK_PAYLOAD_SIZE]);
CodecError ParseDiscoveryPayload(const uint8_t *data, size_t size, DiscoveryInfo &info);

struct DiscoveryCmd
{
    CommandHeader header;
};
struct DiscoveryAck
{
    AckHeader header;
    DiscoveryInfo info;
};

struct ForceIpCmd
{
    CommandHeader header;
    MacAddress mac{};
    uint32_t staticIp = 0;  // 0 with mask and gateway 0: restart the IP configuration cycle
    uint32_t subnetMask = 0;
    uint32_t gateway = 0;
};
struct ForceIpAck
{
    AckHeader header;
};

struct PacketResendCmd
{
    CommandHeader header;  // FLAG_EXTENDED_ID selects the 64-bit block id layout
    uint16_t streamChannel = 0;
    uint64_t blockId = 0;
    uint32_t firstPacketId = 0;  // 24 bits without FLAG_EXTENDED_ID
    uint32_t lastPacketId = 0;
};
// The request for packets first..last of a block, never acknowledged: in the standard layout
// where the ids fit it (a last id beyond 24 bits is then sent as 0xFFFFFF, "to the end of the
// block"), in the extended one otherwise.
inline PacketResendCmd MakePacketResend(uint16_t requestId, uint16_t channel, uint64_t blockId,
                                        uint32_t firstPacketId, uint32_t lastPacketId)
{
    PacketResendCmd command;
    const bool extended = NeedsExtendedId(blockId, firstPacketId);
    command.header.flags = extended ? FLAG_EXTENDED_ID : 0;
    command.header.requestId = requestId;
    command.streamChannel = channel;
    command.blockId = blockId;
    command.firstPacketId = firstPacketId;
    command.lastPacketId = (!extended && lastPacketId > GVSP_STANDARD_PACKET_ID_MAX)
                               ? GVSP_STANDARD_PACKET_ID_MAX
                               : lastPacketId;
    return command;
}

struct ReadRegCmd
{
    CommandHeader header;
    std::vector<uint32_t> addresses;  // 1 to READREG_MAX_COUNT, each a multiple of 4
};
struct ReadRegAck
{
    AckHeader header;
    std::vector<uint32_t> values;  // on failure, the values read before the failing address
};

struct RegisterWrite
{
    uint32_t address = 0;
    uint32_t value = 0;
};
struct WriteRegCmd
{
    CommandHeader header;
    std::vector<RegisterWrite> writes;  // 1 to WRITEREG_MAX_COUNT
};
struct WriteRegAck
{
    AckHeader header;
    uint16_t index = 0;  // on success the number written; on failure the index of the failing one
};

struct ReadMemCmd
{
    CommandHeader header;
    uint32_t address = 0;  // multiple of 4
    uint16_t count = 0;    // 4 to READMEM_MAX_SIZE, multiple of 4
};
struct ReadMemAck
{
    AckHeader header;
    uint32_t address = 0;
    std::vector<uint8_t> data;
};

struct WriteMemCmd
{
    CommandHeader header;
    uint32_t address = 0;       // multiple of 4
    std::vector<uint8_t> data;  // 4 to WRITEMEM_MAX_SIZE bytes, multiple of 4
};
struct WriteMemAck
{
    AckHeader header;
    uint16_t index = 0;  // bytes written
};

struct PendingAck
{
    AckHeader header;  // ackId is the id of the command still running
    uint16_t timeToCompletionMs = 0;
};

struct EventItem
{
    uint16_t eventId = 0;
    uint16_t streamChannel = 0xFFFF;  // 0xFFFF: not tied to a stream channel
    uint64_t blockId = 0;             // 16 bits without FLAG_EXTENDED_ID
    uint64_t timestamp = 0;
};
struct EventCmd
{
    CommandHeader header;           // FLAG_EXTENDED_ID selects the 24-byte item layout
    std::vector<EventItem> events;  // at least one, as many as fit one packet
};
struct EventAck
{
    AckHeader header;
};

struct EventDataCmd
{
    CommandHeader header;
    EventItem event;
    std::vector<uint8_t> data;  // up to what fits one packet after the item
};
struct EventDataAck
{
    AckHeader header;
};

struct ActionCmd
{
    CommandHeader header;  // FLAG_ACTION_SCHEDULED: actionTime is sent
    uint32_t deviceKey = 0;
    uint32_t groupKey = 0;
    uint32_t groupMask = 0;
    uint64_t actionTime = 0;
};
struct ActionAck
{
    AckHeader header;
};

// clang-format off
#define KY_GEV_MESSAGE_LIST(X) \
    X(DiscoveryCmd) X(DiscoveryAck) X(ForceIpCmd) X(ForceIpAck) X(PacketResendCmd) \
    X(ReadRegCmd) X(ReadRegAck) X(WriteRegCmd) X(WriteRegAck) X(ReadMemCmd) X(ReadMemAck) \
    X(WriteMemCmd) X(WriteMemAck) X(PendingAck) X(EventCmd) X(EventAck) X(EventDataCmd) \
    X(EventDataAck) X(ActionCmd) X(ActionAck)

#define KY_GEV_DECLARE_CODEC(Type) \
    CodecError Build(const Type &message, Packet &out); \
    CodecError Parse(const uint8_t *data, size_t size, Type &message);
KY_GEV_MESSAGE_LIST(KY_GEV_DECLARE_CODEC)
#undef KY_GEV_DECLARE_CODEC
// clang-format on

}  // namespace ky::gev
