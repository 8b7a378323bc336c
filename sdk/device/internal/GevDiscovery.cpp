#include "GevDiscovery.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <random>
#include <set>
#include <utility>

#include "AdapterSockets.h"
#include "GvcpTrafficLog.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/device/KyGevConstants.h"
#include "gev/Gvcp.h"

namespace ky {
namespace device {

namespace {

uint16_t RandomRequestId()
{
    static std::mt19937 generator{std::random_device{}()};
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<uint16_t>(std::uniform_int_distribution<unsigned>(1, 0xFFFF)(generator));
}

KyDeviceClass ClassFromDeviceMode(uint32_t deviceMode)
{
    switch ((deviceMode & gev::DEVICE_MODE_CLASS_MASK) >> gev::DEVICE_MODE_CLASS_SHIFT) {
    case 0:
        return KyDeviceClassTransmitter;
    case 1:
        return KyDeviceClassReceiver;
    case 2:
        return KyDeviceClassTransceiver;
    case 3:
        return KyDeviceClassPeripheral;
    default:
        return KyDeviceClassUnknown;
    }
}

GevIdentity IdentityFrom(const gev::DiscoveryInfo &info)
{
    GevIdentity identity;
    identity.vendor = info.manufacturerName;
    identity.model = info.modelName;
    identity.version = info.deviceVersion;
    identity.manufacturerInfo = info.manufacturerInfo;
    identity.serial = info.serialNumber;
    identity.userName = info.userDefinedName;
    identity.mac = FormatMAC(info.mac.data());
    identity.ip = FormatIPv4(info.currentIp);
    identity.mask = FormatIPv4(info.currentSubnetMask);
    identity.gateway = FormatIPv4(info.currentGateway);
    identity.gevVersion = (uint32_t(info.specMajor) << 16) | info.specMinor;
    identity.ipConfigOptions = info.ipConfigOptions;
    identity.ipConfigCurrent = info.ipConfigCurrent;
    identity.deviceClass = ClassFromDeviceMode(info.deviceMode);
    return identity;
}

// A discovery acknowledge answering our request; false for anything else.
bool ParseDiscoveryAnswer(const uint8_t *data, size_t length, uint16_t requestId, gev::DiscoveryInfo &info)
{
    DumpGvcp("discovery received", data, length);
    gev::DiscoveryAck ack;
    if (gev::Parse(data, length, ack) != gev::CodecError::Ok)
        return false;
    if (ack.header.ackId != requestId || ack.header.status != gev::Status::SUCCESS)
        return false;
    info = ack.info;
    return true;
}

bool ReachableFrom(const HostAdapter &adapter, uint32_t ip)
{
    if (adapter.loopback)
        return true;
    for (const HostAddress &address : adapter.addresses)
        if (address.mask != 0 && (address.ip & address.mask) == (ip & address.mask))
            return true;
    return false;
}

gev::Packet DiscoveryPacket(uint16_t requestId)
{
    gev::DiscoveryCmd command;
    command.header.flags = gev::FLAG_ACK_REQUIRED;
    command.header.requestId = requestId;
    gev::Packet packet;
    gev::Build(command, packet);
    DumpGvcp("discovery sent", packet.data(), packet.size());
    return packet;
}

}  // namespace

std::vector<DiscoveredDevice> DiscoverDevices(const std::vector<HostAdapter> &adapters,
                                              const DiscoveryOptions &options)
{
    std::vector<DiscoveredDevice> found;
    AdapterSockets sockets(adapters);
    const uint16_t requestId = RandomRequestId();
    sockets.SendToAll(DiscoveryPacket(requestId), options.subnetBroadcast);
    std::set<std::pair<size_t, std::pair<uint64_t, uint32_t>>> seen;  // adapter, (MAC, IP)
    sockets.Collect(std::chrono::milliseconds(options.timeoutMs),
                    [&](size_t adapter, const uint8_t *data, size_t length) {
                        gev::DiscoveryInfo info;
                        if (!ParseDiscoveryAnswer(data, length, requestId, info))
                            return false;
                        if (!seen.insert({adapter, {gev::MacToU64(info.mac), info.currentIp}}).second)
                            return false;
                        DiscoveredDevice device;
                        device.adapter = adapter;
                        device.identity = IdentityFrom(info);
                        device.identity.configurationValid = ReachableFrom(adapters[adapter], info.currentIp);
                        found.push_back(std::move(device));
                        return false;
                    });
    return found;
}

bool DiscoverAddress(uint32_t ip, uint32_t timeoutMs, GevIdentity &identity)
{
    AdapterSockets sockets;
    const uint16_t requestId = RandomRequestId();
    sockets.SendTo(ip, DiscoveryPacket(requestId));
    bool answered = false;
    sockets.Collect(std::chrono::milliseconds(timeoutMs), [&](size_t, const uint8_t *data, size_t length) {
        gev::DiscoveryInfo info;
        if (!ParseDiscoveryAnswer(data, length, requestId, info))
            return false;
        identity = IdentityFrom(info);
        identity.configurationValid = true;
        answered = true;
        return true;
    });
    return answered;
}

KyResult ForceIPConfiguration(const std::string &mac, const std::string &ip, const std::string &mask,
                              const std::string &gateway, uint32_t timeoutMs)
{
    gev::ForceIpCmd command;
    uint8_t macBytes[6];
    if (!ParseMAC(mac, macBytes))
        return KyResult(KY_INVALID_PARAMETER, "'" + mac + "' is not a MAC address (aa:bb:cc:dd:ee:ff).");
    std::copy(macBytes, macBytes + 6, command.mac.begin());
    const std::pair<const std::string *, uint32_t *> fields[] = {
        {&ip, &command.staticIp}, {&mask, &command.subnetMask}, {&gateway, &command.gateway}};
    for (const auto &field : fields)
        if (!ParseIPv4(*field.first, *field.second))
            return KyResult(KY_INVALID_PARAMETER, "'" + *field.first + "' is not an IPv4 address.");
    command.header.flags = gev::FLAG_ACK_REQUIRED;
    command.header.requestId = RandomRequestId();
    gev::Packet packet;
    if (gev::Build(command, packet) != gev::CodecError::Ok)
        return KyResult(KY_INVALID_PARAMETER, "the IP configuration cannot be sent");

    const std::vector<HostAdapter> adapters = EnumerateHostAdapters();
    AdapterSockets sockets(adapters);
    DumpGvcp("discovery sent", packet.data(), packet.size());
    sockets.SendToAll(packet, false);
    KyResult result(KY_TIMEOUT,
                    "No device with MAC address " + mac + " acknowledged the new IP configuration.");
    sockets.Collect(std::chrono::milliseconds(timeoutMs), [&](size_t, const uint8_t *data, size_t length) {
        DumpGvcp("discovery received", data, length);
        gev::AckHeader header;
        if (gev::ParseAckHeader(data, length, header) != gev::CodecError::Ok ||
            header.acknowledge != gev::Command::FORCEIP_ACK || header.ackId != command.header.requestId)
            return false;
        if (header.status == gev::Status::SUCCESS) {
            result = KyResult();
            return true;
        }
        // The command went out of every adapter, so the device may hear it more than once and
        // refuse a copy (BUSY) while it applies another: only a refusal with no success counts.
        result = KyResult(KY_GENERIC_ERROR, std::string("the device refused the IP configuration (") +
                                                gev::StatusName(header.status) + ")");
        return false;
    });
    return result;
}

bool MatchesDevice(const KyDeviceInfo &record, const std::string &text)
{
    if (text.empty())
        return false;
    uint8_t wanted[6];
    if (ParseMAC(text, wanted)) {
        uint8_t mac[6];
        const auto *gev = dynamic_cast<const KyDeviceInfoGEV *>(&record);
        const std::string recordMac = gev ? gev->GetMACAddress().str() : record.GetUniqueID().str();
        return ParseMAC(recordMac, mac) && std::equal(mac, mac + 6, wanted);
    }
    if (const auto *gev = dynamic_cast<const KyDeviceInfoGEV *>(&record))
        if (gev->GetIPAddress().str() == text)
            return true;
    return record.GetConnectionID().str() == text || record.GetUniqueID().str() == text ||
           record.GetUserDefinedName().str() == text;
}

}  // namespace device
}  // namespace ky
