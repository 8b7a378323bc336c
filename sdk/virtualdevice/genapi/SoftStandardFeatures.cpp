#include "genapi/SoftStandardFeatures.h"

#include <string>

#include "features/FeatureXml.h"
#include "registers/SoftDeviceRegisters.h"
#include "registers/SoftStreamRegisters.h"

namespace ky::soft {

using namespace ky::gev;

namespace {

using Kind = SoftFeatureKind;
constexpr const char *DEVICE = "DeviceControl";
constexpr const char *TRANSPORT = "TransportLayerControl";
constexpr const char *EVENTS = "EventControl";
constexpr const char *USER_SETS = "UserSetControl";

SoftFeature Text(const char *name, uint32_t address, uint32_t size, const char *access)
{
    return SoftFeature::OnRegister(Kind::StringReg, name, address, size).In(DEVICE).Access(access);
}

SoftFeature Int(const char *name, uint32_t address, const char *access, uint32_t length = 4)
{
    return SoftFeature::OnRegister(Kind::Integer, name, address, length).In(TRANSPORT).Access(access);
}

SoftFeature Address(const char *name, uint32_t address, const char *access)
{
    SoftFeature f = SoftFeature::OnRegister(Kind::IntReg, name, address).In(TRANSPORT).Access(access);
    f.representation = "IPV4Address";
    return f;
}

// A bit field of a 32-bit bootstrap register, in the register's own (big-endian) bit numbering.
SoftFeature Field(Kind kind, const char *name, uint32_t address, int lsb, int msb, const char *access)
{
    return SoftFeature::OnRegister(kind, name, address).In(TRANSPORT).Access(access).Bits(lsb, msb);
}

SoftFeature Command(const char *name, uint32_t address, int64_t value, const char *category)
{
    SoftFeature f = SoftFeature::OnRegister(Kind::Command, name, address).In(category).Access("WO");
    f.commandValue = value;
    return f;
}

void AddIdentity(std::vector<SoftFeature> &f)
{
    f.push_back(Text("DeviceVendorName", MANUFACTURER_NAME_OFFSET, MANUFACTURER_NAME_SIZE, "RO"));
    f.push_back(Text("DeviceModelName", MODEL_NAME_OFFSET, MODEL_NAME_SIZE, "RO"));
    f.push_back(Text("DeviceVersion", DEVICE_VERSION_OFFSET, DEVICE_VERSION_SIZE, "RO"));
    f.push_back(Text("DeviceManufacturerInfo", MANUFACTURER_INFO_OFFSET, MANUFACTURER_INFO_SIZE, "RO"));
    f.push_back(Text("DeviceSerialNumber", SERIAL_NUMBER_OFFSET, SERIAL_NUMBER_SIZE, "RO"));
    f.push_back(Text("DeviceUserID", USER_DEFINED_NAME_OFFSET, USER_DEFINED_NAME_SIZE, "RW"));
    f.push_back(Text("DeviceFirmwareVersion", FIRMWARE_VERSION_OFFSET, FIRMWARE_VERSION_SIZE, "RO"));
}

void AddNetwork(std::vector<SoftFeature> &f)
{
    SoftFeature mac =
        SoftFeature::OnRegister(Kind::IntReg, "GevMACAddress", MAC_HIGH_OFFSET, 8).In(TRANSPORT).Access("RO");
    mac.representation = "MACAddress";
    f.push_back(mac);
    // The configuration bits as a whole: a bit field, so shown in hexadecimal.
    SoftFeature configuration =
        SoftFeature::OnRegister(Kind::IntReg, "GevCurrentIPConfiguration", CURRENT_IP_CONFIG_OFFSET)
            .In(TRANSPORT)
            .Vis("Expert");
    configuration.representation = "HexNumber";
    f.push_back(configuration);
    f.push_back(Field(Kind::Boolean, "GevCurrentIPConfigurationPersistentIP", CURRENT_IP_CONFIG_OFFSET, 31,
                      31, "RW"));
    f.push_back(
        Field(Kind::Boolean, "GevCurrentIPConfigurationDHCP", CURRENT_IP_CONFIG_OFFSET, 30, 30, "RW"));
    f.push_back(Field(Kind::Boolean, "GevCurrentIPConfigurationLLA", CURRENT_IP_CONFIG_OFFSET, 29, 29, "RO"));
    f.push_back(Address("GevCurrentIPAddress", CURRENT_IP_OFFSET, "RO"));
    f.push_back(Address("GevCurrentSubnetMask", CURRENT_SUBNET_MASK_OFFSET, "RO"));
    f.push_back(Address("GevCurrentDefaultGateway", CURRENT_GATEWAY_OFFSET, "RO"));
    f.push_back(Address("GevPersistentIPAddress", PERSISTENT_IP_OFFSET, "RW"));
    f.push_back(Address("GevPersistentSubnetMask", PERSISTENT_SUBNET_MASK_OFFSET, "RW"));
    f.push_back(Address("GevPersistentDefaultGateway", PERSISTENT_GATEWAY_OFFSET, "RW"));
    f.push_back(Int("GevLinkSpeed", LINK_SPEED_OFFSET, "RO").Unit("Mbps"));
}

void AddControl(std::vector<SoftFeature> &f)
{
    f.push_back(Int("GevHeartbeatTimeout", HEARTBEAT_TIMEOUT_OFFSET, "RW")
                    .Range(std::to_string(HEARTBEAT_TIMEOUT_MIN_MS), "4294967295")
                    .Unit("ms")
                    .Tip("Time after which the device drops a controller whose heartbeat stopped"));
    f.push_back(
        Field(Kind::Boolean, "GevGVCPHeartbeatDisable", GVCP_CONFIG_OFFSET, 31, 31, "RW").Vis("Expert"));
    f.push_back(Field(Kind::Boolean, "GevGVCPPendingAck", GVCP_CONFIG_OFFSET, 30, 30, "RW").Vis("Expert"));
    f.push_back(Int("GevTimestampTickFrequency", TIMESTAMP_TICK_HIGH_OFFSET, "RO", 8).Unit("Hz"));
    f.push_back(Command("GevTimestampControlLatch", TIMESTAMP_CONTROL_OFFSET, TIMESTAMP_CONTROL_LATCH_MASK,
                        TRANSPORT));
    f.push_back(Command("GevTimestampControlReset", TIMESTAMP_CONTROL_OFFSET, TIMESTAMP_CONTROL_RESET_MASK,
                        TRANSPORT));
    f.push_back(Int("GevTimestampValue", TIMESTAMP_VALUE_HIGH_OFFSET, "RO", 8)
                    .InvalidatedBy("GevTimestampControlLatch")
                    .Tip("The timestamp latched by GevTimestampControlLatch"));
    f.push_back(SoftFeature::OnRegister(Kind::IntReg, "GevCCP", CCP_OFFSET).In(TRANSPORT).Vis("Guru"));
    f.push_back(Field(Kind::Integer, "GevMCPHostPort", MCP_OFFSET, 31, 16, "RW").Vis("Expert"));
    f.push_back(Address("GevMCDA", MCDA_OFFSET, "RW"));
    f.push_back(Int("GevMCTT", MCTT_OFFSET, "RW").Unit("ms").Vis("Expert"));
    f.push_back(Int("GevMCRC", MCRC_OFFSET, "RW").Vis("Expert"));
    SoftFeature locked = SoftFeature::OnRegister(Kind::Integer, "TLParamsLocked", TL_PARAMS_LOCKED_OFFSET)
                             .In(TRANSPORT)
                             .Range("0", "1")
                             .Vis("Invisible");
    f.push_back(locked);
}

// The multi-part switches of the selected channel, available where that channel's source sends
// multi-part blocks (its capability bit); large leaders and trailers are offered while multi-part
// is on.
void AddMultiPart(std::vector<SoftFeature> &f)
{
    SoftFeature supported =
        Field(Kind::MaskedIntReg, "GevSCCMultiPartSupported", SCC0_OFFSET, 25, 25, "RO").Vis("Invisible");
    supported.custom = true;
    supported.category.clear();
    SoftFeature multiPart = Field(Kind::Boolean, "GevSCCFGMultiPartEnabled", SCCFG0_OFFSET, 25, 25, "RW")
                                .Available(supported.name)
                                .Locked("TLParamsLocked")
                                .Vis("Expert");
    const std::string multiPartValue = ky::gc::FeatureXml::RegisterNodeName(multiPart);
    f.push_back(supported);
    f.push_back(multiPart);
    f.push_back(Field(Kind::Boolean, "GevSCCFGLargeLeaderTrailerEnabled", SCCFG0_OFFSET, 24, 24, "RW")
                    .Available(multiPartValue)
                    .Locked("TLParamsLocked")
                    .Vis("Expert"));
}

// The stream channels' transport features: one set, on channel 0's registers moved by
// GevStreamChannelSelector times the channel stride, so each channel's block is reached through the
// same names (channel 0's while the selector is 0, its value when a client opens the device).
void AddStreamChannels(std::vector<SoftFeature> &f, uint32_t count, bool multiPart, bool rtp)
{
    const char *selector = "GevStreamChannelSelector";
    SoftFeature select = SoftFeature::Make(Kind::Integer, selector)
                             .In(TRANSPORT)
                             .Range("0", std::to_string(count - 1))
                             .Vis("Expert")
                             .Tip("The stream channel that the GevSC features reach");
    select.value = "0";
    std::vector<SoftFeature> channel;
    channel.push_back(Field(Kind::Integer, "GevSCPHostPort", SCP0_OFFSET, 31, 16, "RW").Vis("Expert"));
    channel.push_back(Address("GevSCDA", SCDA0_OFFSET, "RW"));
    channel.push_back(Field(Kind::Integer, "GevSCPSPacketSize", SCPS0_OFFSET, 31, 16, "RW")
                          .Range("576", "9000", "4")
                          .Unit("B")
                          .Locked("TLParamsLocked"));
    SoftFeature fire = Field(Kind::Command, "GevSCPSFireTestPacket", SCPS0_OFFSET, 0, 0, "RW");
    fire.Vis("Guru");
    channel.push_back(fire);
    channel.push_back(Field(Kind::Boolean, "GevSCPSDoNotFragment", SCPS0_OFFSET, 1, 1, "RW").Vis("Guru"));
    channel.push_back(Int("GevSCPD", SCPD0_OFFSET, "RW").Unit("ns").Vis("Expert"));
    if (multiPart) {
        AddMultiPart(channel);
    }
    for (SoftFeature &feature : channel) {
        select.Selects(feature.name);
        feature.IndexedBy(selector, SC_STRIDE);
    }
    if (rtp) {
        // The channel's transport, in the channel's feature block (a stride of its own).
        SoftFeature protocol =
            SoftFeature::OnRegister(Kind::Enumeration, "GevSCProtocol",
                                    StreamFeatureAddress(0, StreamFeatureOffset::Protocol))
                .In(TRANSPORT)
                .Locked("TLParamsLocked")
                .Entry("GVSP", STREAM_PROTOCOL_GVSP)
                .Entry("RTP", STREAM_PROTOCOL_RTP)
                .Tip("How the stream channel sends its frames: GVSP, or RTP (uncompressed video or H.264, "
                     "announced by SAP)");
        select.Selects(protocol.name);
        protocol.IndexedBy(selector, STREAM_FEATURES_STRIDE);
        channel.push_back(protocol);
    }
    f.push_back(select);
    f.insert(f.end(), channel.begin(), channel.end());
}

void AddEvents(std::vector<SoftFeature> &f)
{
    SoftFeature selector =
        SoftFeature::OnRegister(Kind::Enumeration, "EventSelector", EVENT_SELECTOR_OFFSET).In(EVENTS);
    for (const auto &event : SoftStandardFeatures::Events()) {
        selector.Entry(event.first, event.second);
    }
    selector.Selects("EventNotification");
    f.push_back(selector);
    f.push_back(SoftFeature::OnRegister(Kind::Enumeration, "EventNotification", EVENT_NOTIFICATION_OFFSET)
                    .In(EVENTS)
                    .Entry("Off", 0)
                    .Entry("On", 1)
                    .InvalidatedBy("EventSelector"));
}

void AddUserSets(std::vector<SoftFeature> &f, uint32_t count)
{
    SoftFeature selector =
        SoftFeature::OnRegister(Kind::Enumeration, "UserSetSelector", USER_SET_SELECTOR_OFFSET)
            .In(USER_SETS)
            .Entry("Default", 0);
    SoftFeature startup =
        SoftFeature::OnRegister(Kind::Enumeration, "UserSetDefault", USER_SET_DEFAULT_OFFSET)
            .In(USER_SETS)
            .Entry("Default", 0)
            .Tip("The user set loaded when the device starts");
    for (uint32_t k = 1; k <= count; ++k) {
        selector.Entry("UserSet" + std::to_string(k), k);
        startup.Entry("UserSet" + std::to_string(k), k);
    }
    selector.Selects("UserSetLoad").Selects("UserSetSave").Locked("TLParamsLocked");
    f.push_back(selector);
    f.push_back(Command("UserSetLoad", USER_SET_LOAD_OFFSET, 1, USER_SETS).Locked("TLParamsLocked"));
    f.push_back(Command("UserSetSave", USER_SET_SAVE_OFFSET, 1, USER_SETS));
    f.push_back(startup);
}

}  // namespace

const std::vector<std::pair<const char *, uint16_t>> &SoftStandardFeatures::Events()
{
    // The events the kit's camera library selects, with the GigE Vision event codes it maps.
    static const std::vector<std::pair<const char *, uint16_t>> events = {
        {"ExposureEnd", 0x0004},
        {"AcquisitionTransferStart", 0x0005},
        {"AcquisitionTransferEnd", 0x0006},
        {"OverTrigger", 0x8002},
    };
    return events;
}

SoftFeatureTable SoftStandardFeatures::Make(const Options &options)
{
    SoftFeatureTable table;
    table.owner = "standard features";
    AddIdentity(table.features);
    AddNetwork(table.features);
    AddControl(table.features);
    if (options.streamCount > 0) {
        AddStreamChannels(table.features, options.streamCount, options.multiPart, options.rtp);
    }
    AddEvents(table.features);
    AddUserSets(table.features, options.userSetCount);
    return table;
}

KyResult SoftStandardFeatures::CheckEventCode(uint32_t code)
{
    for (const auto &event : Events()) {
        if (event.second == code) {
            return KyResult(KY_OK);
        }
    }
    return KyResult(KY_INVALID_PARAMETER, KyString("no event has the code ") + std::to_string(code));
}

}  // namespace ky::soft
