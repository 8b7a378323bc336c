// DISCOVERY and FORCEIP commands and acknowledges.
#include <algorithm>

#include "GvcpFraming.h"
#include "ky/device/KyGevConstants.h"

namespace ky::gev {

using namespace detail;

namespace {

void WriteMac(ByteWriter &writer, const MacAddress &mac)
{
    writer.WriteZeros(2);
    writer.WriteBytes(mac.data(), mac.size());
}

void ReadMac(ByteReader &reader, MacAddress &mac)
{
    reader.Skip(2);
    reader.ReadBytes(mac.data(), mac.size());
}

// An address field of the discovery and FORCEIP layouts: 12 reserved bytes, then 4 of address.
void WritePaddedAddress(ByteWriter &writer, uint32_t address)
{
    writer.WriteZeros(12);
    writer.WriteU32(address);
}

void ReadPaddedAddress(ByteReader &reader, uint32_t &address)
{
    reader.Skip(12);
    reader.ReadU32(address);
}

}  // namespace

void BuildDiscoveryPayload(const DiscoveryInfo &info, uint8_t (&out)[DISCOVERY_ACK_PAYLOAD_SIZE])
{
    ByteWriter writer(out, sizeof(out));
    writer.WriteU16(info.specMajor);
    writer.WriteU16(info.specMinor);
    writer.WriteU32(info.deviceMode);
    WriteMac(writer, info.mac);
    writer.WriteU32(info.ipConfigOptions);
    writer.WriteU32(info.ipConfigCurrent);
    WritePaddedAddress(writer, info.currentIp);
    WritePaddedAddress(writer, info.currentSubnetMask);
    WritePaddedAddress(writer, info.currentGateway);
    writer.WriteFixedString(info.manufacturerName, MANUFACTURER_NAME_SIZE);
    writer.WriteFixedString(info.modelName, MODEL_NAME_SIZE);
    writer.WriteFixedString(info.deviceVersion, DEVICE_VERSION_SIZE);
    writer.WriteFixedString(info.manufacturerInfo, MANUFACTURER_INFO_SIZE);
    writer.WriteFixedString(info.serialNumber, SERIAL_NUMBER_SIZE);
    writer.WriteFixedString(info.userDefinedName, USER_DEFINED_NAME_SIZE);
}

CodecError ParseDiscoveryPayload(const uint8_t *data, size_t size, DiscoveryInfo &info)
{
    if (size != DISCOVERY_ACK_PAYLOAD_SIZE) {
        return CodecError::BadPayloadSize;
    }
    ByteReader reader(data, size);
    DiscoveryInfo parsed;
    reader.ReadU16(parsed.specMajor);
    reader.ReadU16(parsed.specMinor);
    reader.ReadU32(parsed.deviceMode);
    ReadMac(reader, parsed.mac);
    reader.ReadU32(parsed.ipConfigOptions);
    reader.ReadU32(parsed.ipConfigCurrent);
    ReadPaddedAddress(reader, parsed.currentIp);
    ReadPaddedAddress(reader, parsed.currentSubnetMask);
    ReadPaddedAddress(reader, parsed.currentGateway);
    reader.ReadFixedString(parsed.manufacturerName, MANUFACTURER_NAME_SIZE);
    reader.ReadFixedString(parsed.modelName, MODEL_NAME_SIZE);
    reader.ReadFixedString(parsed.deviceVersion, DEVICE_VERSION_SIZE);
    reader.ReadFixedString(parsed.manufacturerInfo, MANUFACTURER_INFO_SIZE);
    reader.ReadFixedString(parsed.serialNumber, SERIAL_NUMBER_SIZE);
    reader.ReadFixedString(parsed.userDefinedName, USER_DEFINED_NAME_SIZE);
    if (!reader.Ok()) {
        return CodecError::BadPayloadSize;
    }
    info = parsed;
    return CodecError::Ok;
}

CodecError Build(const DiscoveryCmd &message, Packet &out)
{
    BeginCommand(message.header, Command::DISCOVERY_CMD, 0, out);
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, DiscoveryCmd &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenCommand(data, size, Command::DISCOVERY_CMD, message.header, payload);
    if (error == CodecError::Ok && payload.Remaining() != 0) {
        return CodecError::BadPayloadSize;
    }
    return error;
}

CodecError Build(const DiscoveryAck &message, Packet &out)
{
    BeginAck(message.header, Command::DISCOVERY_ACK, DISCOVERY_ACK_PAYLOAD_SIZE, out);
    uint8_t payload[DISCOVERY_ACK_PAYLOAD_SIZE];
    BuildDiscoveryPayload(message.info, payload);
    std::copy(payload, payload + sizeof(payload), out.begin() + GVCP_HEADER_SIZE);
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, DiscoveryAck &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenAck(data, size, Command::DISCOVERY_ACK, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    if (message.header.status != Status::SUCCESS && payload.Remaining() == 0) {
        return CodecError::Ok;
    }
    return ParseDiscoveryPayload(data + GVCP_HEADER_SIZE, payload.Remaining(), message.info);
}

CodecError Build(const ForceIpCmd &message, Packet &out)
{
    ByteWriter writer = BeginCommand(message.header, Command::FORCEIP_CMD, FORCEIP_PAYLOAD_SIZE, out);
    WriteMac(writer, message.mac);
    WritePaddedAddress(writer, message.staticIp);
    WritePaddedAddress(writer, message.subnetMask);
    WritePaddedAddress(writer, message.gateway);
    return CodecError::Ok;
}

CodecError Parse(const uint8_t *data, size_t size, ForceIpCmd &message)
{
    ByteReader payload(nullptr, 0);
    CodecError error = OpenCommand(data, size, Command::FORCEIP_CMD, message.header, payload);
    if (error != CodecError::Ok) {
        return error;
    }
    if (payload.Remaining() != FORCEIP_PAYLOAD_SIZE) {
        return CodecError::BadPayloadSize;
    }
    ReadMac(payload, message.mac);
    ReadPaddedAddress(payload, message.staticIp);
    ReadPaddedAddress(payload, message.subnetMask);
    ReadPaddedAddress(payload, message.gateway);
    return CodecError::Ok;
}

CodecError Build(const ForceIpAck &message, Packet &out)
{
    return BuildEmptyAck(message.header, Command::FORCEIP_ACK, out);
}

CodecError Parse(const uint8_t *data, size_t size, ForceIpAck &message)
{
    return ParseEmptyAck(data, size, Command::FORCEIP_ACK, message.header);
}

}  // namespace ky::gev
