#include "registers/SoftBootstrap.h"

#include <cstdio>

#include "SoftDeviceInfo.h"
#include "genapi/SoftStandardFeatures.h"
#include "genapi/SoftXmlZip.h"
#include "gev/Gvsp.h"

namespace ky::soft {

using namespace ky::gev;

namespace {

constexpr uint32_t GVCP_CAPABILITIES =
    GVCP_CAP_USER_DEFINED_NAME_MASK | GVCP_CAP_SERIAL_NUMBER_MASK | GVCP_CAP_HEARTBEAT_DISABLE_MASK |
    GVCP_CAP_LINK_SPEED_MASK | GVCP_CAP_PENDING_ACK_MASK | GVCP_CAP_EVENTDATA_MASK | GVCP_CAP_EVENT_MASK |
    GVCP_CAP_WRITEMEM_MASK | GVCP_CAP_PACKETRESEND_MASK;
constexpr uint32_t GVCP_CONFIG_SUPPORTED =
    GVCP_CONFIG_HEARTBEAT_DISABLE_MASK | GVCP_CONFIG_PENDING_ACK_ENABLE_MASK;
constexpr uint32_t IP_CONFIG_SUPPORTED = IP_CONFIG_PERSISTENT_MASK | IP_CONFIG_DHCP_MASK | IP_CONFIG_LLA_MASK;

// A read-only text register refreshed from the identity on each read.
template <typename Field>
SoftRegister::ReadHook IdentityText(SoftDeviceInfo &info, Field field)
{
    return [&info, field](SoftRegister &reg) { reg.SetRawString(info.Snapshot().*field); };
}

// A read-only address register refreshed from the current network configuration on each read.
SoftRegister::ReadHook CurrentAddress(SoftDeviceContext &context, uint32_t SoftNetworkConfig::*field)
{
    return [&context, field](SoftRegister &reg) {
        std::lock_guard<std::mutex> lock(context.networkMutex);
        reg.SetRawU32(context.current.*field);
    };
}

// A read-write register whose accepted value is also kept in the persistent configuration.
SoftRegister::WriteHook KeepPersistent(SoftDeviceContext &context, uint32_t SoftPersistentConfig::*field)
{
    return [&context, field](SoftRegister &reg) {
        std::lock_guard<std::mutex> lock(context.networkMutex);
        context.persistent.*field = reg.GetRawU32();
    };
}

SoftRegister::WriteHook KeepPersistentAddress(SoftDeviceContext &context, uint32_t SoftNetworkConfig::*field)
{
    return [&context, field](SoftRegister &reg) {
        std::lock_guard<std::mutex> lock(context.networkMutex);
        context.persistent.persistent.*field = reg.GetRawU32();
    };
}

}  // namespace

std::string SoftBootstrap::XmlUrl(const char *fileName, uint32_t address, size_t size)
{
    char url[96];
    std::snprintf(url, sizeof(url), "Local:%s;%X;%zX", fileName, address, size);
    return url;
}

SoftRegister *SoftBootstrap::Add(const char *name, uint32_t address, uint32_t length, KyGenAccessMode mode,
                                 bool arrayOfBytes)
{
    return mMap.AddNew(KyString(name), address, length, mode, arrayOfBytes, mResult);
}

SoftRegister *SoftBootstrap::AddConstant(const char *name, uint32_t address, uint32_t value)
{
    SoftRegister *reg = Add(name, address, 4, KyGenAccessModeReadOnly);
    if (reg) {
        reg->SetRawU32(value);
    }
    return reg;
}

KyResult SoftBootstrap::AddRegisters()
{
    mResult = KyResult(KY_OK);
    AddIdentity();
    AddNetwork();
    AddTiming();
    AddChannels();
    AddFeatureState();
    return mResult;
}

void SoftBootstrap::AddIdentity()
{
    using Identity = SoftDeviceInfo::Identity;
    SoftDeviceInfo &info = mContext.info;
    AddConstant("Version", VERSION_OFFSET, 2u << VERSION_MAJOR_SHIFT);
    AddConstant("DeviceMode", DEVICE_MODE_OFFSET, DEVICE_MODE_BIG_ENDIAN_MASK | DEVICE_MODE_CHARSET_UTF8);
    AddConstant("DeviceMacAddressHigh", MAC_HIGH_OFFSET, static_cast<uint32_t>(MacToU64(mContext.mac) >> 32));
    AddConstant("DeviceMacAddressLow", MAC_LOW_OFFSET, static_cast<uint32_t>(MacToU64(mContext.mac)));
    const struct
    {
        const char *name;
        uint32_t address;
        uint32_t size;
        std::string Identity::*field;
    } texts[] = {
        {"ManufacturerName", MANUFACTURER_NAME_OFFSET, MANUFACTURER_NAME_SIZE, &Identity::manufacturer},
        {"ModelName", MODEL_NAME_OFFSET, MODEL_NAME_SIZE, &Identity::model},
        {"DeviceVersion", DEVICE_VERSION_OFFSET, DEVICE_VERSION_SIZE, &Identity::version},
        {"ManufacturerInfo", MANUFACTURER_INFO_OFFSET, MANUFACTURER_INFO_SIZE, &Identity::manufacturerInfo},
        {"SerialNumber", SERIAL_NUMBER_OFFSET, SERIAL_NUMBER_SIZE, &Identity::serial},
        {"DeviceFirmwareVersion", FIRMWARE_VERSION_OFFSET, FIRMWARE_VERSION_SIZE, &Identity::firmwareVersion},
    };
    for (const auto &text : texts) {
        if (SoftRegister *reg = Add(text.name, text.address, text.size, KyGenAccessModeReadOnly, true)) {
            reg->SetHooks(IdentityText(info, text.field), nullptr, nullptr);
        }
    }
    if (SoftRegister *reg = Add("UserDefinedName", USER_DEFINED_NAME_OFFSET, USER_DEFINED_NAME_SIZE,
                                KyGenAccessModeReadWrite, true)) {
        reg->SetRawString(mContext.persistent.userName);
        SoftDeviceContext &context = mContext;
        reg->SetHooks(nullptr, nullptr, [&context](SoftRegister &r) {
            std::lock_guard<std::mutex> lock(context.networkMutex);
            context.persistent.userName = r.GetRawString();
        });
    }
}

void SoftBootstrap::AddNetwork()
{
    SoftDeviceContext &context = mContext;
    AddConstant("SupportedIPConfiguration", SUPPORTED_IP_CONFIG_OFFSET, IP_CONFIG_SUPPORTED);
    if (SoftRegister *reg =
            Add("CurrentIPConfiguration", CURRENT_IP_CONFIG_OFFSET, 4, KyGenAccessModeReadWrite)) {
        reg->SetRawU32(context.persistent.ipConfig);
        // Link-local is always on, as on every GigE Vision camera; other bits are not kept.
        reg->SetHooks(
            nullptr,
            [](SoftRegister &r) {
                r.SetRawU32((r.GetRawU32() & IP_CONFIG_SUPPORTED) | IP_CONFIG_LLA_MASK);
                return KyResult(KY_OK);
            },
            KeepPersistent(context, &SoftPersistentConfig::ipConfig));
    }
    const struct
    {
        const char *name;
        uint32_t address;
        uint32_t SoftNetworkConfig::*field;
    } current[] =
        {
            {"CurrentIPAddress", CURRENT_IP_OFFSET, &SoftNetworkConfig::ip},
            {"CurrentSubnetMask", CURRENT_SUBNET_MASK_OFFSET, &SoftNetworkConfig::mask},
            {"CurrentDefaultGateway", CURRENT_GATEWAY_OFFSET, &SoftNetworkConfig::gateway},
        },
      persistent[] = {
          {"PersistentIPAddress", PERSISTENT_IP_OFFSET, &SoftNetworkConfig::ip},
          {"PersistentSubnetMask", PERSISTENT_SUBNET_MASK_OFFSET, &SoftNetworkConfig::mask},
          {"PersistentDefaultGateway", PERSISTENT_GATEWAY_OFFSET, &SoftNetworkConfig::gateway},
      };
    for (const auto &c : current) {
        if (SoftRegister *reg = Add(c.name, c.address, 4, KyGenAccessModeReadOnly)) {
            reg->SetHooks(CurrentAddress(context, c.field), nullptr, nullptr);
        }
    }
    for (const auto &p : persistent) {
        if (SoftRegister *reg = Add(p.name, p.address, 4, KyGenAccessModeReadWrite)) {
            reg->SetRawU32(context.persistent.persistent.*p.field);
            reg->SetHooks(nullptr, nullptr, KeepPersistentAddress(context, p.field));
        }
    }
    AddConstant("NumberOfNetworkInterfaces", NUMBER_OF_INTERFACES_OFFSET, 1);
    AddConstant("LinkSpeed", LINK_SPEED_OFFSET, LINK_SPEED_MBPS);
}

void SoftBootstrap::AddTiming()
{
    SoftDeviceContext &context = mContext;
    AddConstant("GVCPCapability", GVCP_CAPABILITY_OFFSET, GVCP_CAPABILITIES);
    if (SoftRegister *reg = Add("HeartbeatTimeout", HEARTBEAT_TIMEOUT_OFFSET, 4, KyGenAccessModeReadWrite)) {
        reg->SetRawU32(HEARTBEAT_TIMEOUT_DEFAULT_MS);
        reg->SetHooks(
            nullptr,
            [](SoftRegister &r) {
                if (r.GetRawU32() < HEARTBEAT_TIMEOUT_MIN_MS) {
                    r.SetRawU32(HEARTBEAT_TIMEOUT_MIN_MS);  // cameras round short timeouts up
                }
                return KyResult(KY_OK);
            },
            nullptr);
    }
    AddConstant("TimestampTickFrequencyHigh", TIMESTAMP_TICK_HIGH_OFFSET, 0);
    AddConstant("TimestampTickFrequencyLow", TIMESTAMP_TICK_LOW_OFFSET, TIMESTAMP_TICKS_PER_SECOND);
    if (SoftRegister *reg = Add("TimestampControl", TIMESTAMP_CONTROL_OFFSET, 4, KyGenAccessModeWriteOnly)) {
        reg->SetHooks(nullptr, nullptr, [&context](SoftRegister &r) {
            const uint32_t control = r.GetRawU32();
            if (control & TIMESTAMP_CONTROL_RESET_MASK) {
                context.timestampBase = std::chrono::steady_clock::now();
            }
            if (control & TIMESTAMP_CONTROL_LATCH_MASK) {
                context.latchedTimestamp = context.Timestamp();
            }
            r.SetRawU32(0);
        });
    }
    for (uint32_t half = 0; half < 2; ++half) {
        const uint32_t address = half == 0 ? TIMESTAMP_VALUE_HIGH_OFFSET : TIMESTAMP_VALUE_LOW_OFFSET;
        if (SoftRegister *reg = Add(half == 0 ? "TimestampValueHigh" : "TimestampValueLow", address, 4,
                                    KyGenAccessModeReadOnly)) {
            reg->SetHooks(
                [&context, half](SoftRegister &r) {
                    const uint64_t latched = context.latchedTimestamp;
                    r.SetRawU32(static_cast<uint32_t>(half == 0 ? latched >> 32 : latched));
                },
                nullptr, nullptr);
        }
    }
    if (SoftRegister *reg = Add("GVCPConfiguration", GVCP_CONFIG_OFFSET, 4, KyGenAccessModeReadWrite)) {
        reg->SetHooks(
            nullptr,
            [](SoftRegister &r) {
                r.SetRawU32(r.GetRawU32() & GVCP_CONFIG_SUPPORTED);
                return KyResult(KY_OK);
            },
            nullptr);
    }
    AddConstant("PendingTimeout", PENDING_TIMEOUT_OFFSET, PENDING_TIMEOUT_MS);
    Add("ControlChannelPrivilege", CCP_OFFSET, 4, KyGenAccessModeReadWrite);
}

void SoftBootstrap::AddChannels()
{
    AddConstant("NumberOfMessageChannels", MESSAGE_CHANNEL_COUNT_OFFSET, 1);
    AddConstant("NumberOfStreamChannels", STREAM_CHANNEL_COUNT_OFFSET, mContext.streamCount);
    AddConstant("MessageChannelCapability", MESSAGE_CHANNEL_CAPABILITY_OFFSET, 0);
    AddConstant("GVSPCapability", GVSP_CAPABILITY_OFFSET, 0);
    Add("MessageChannelPort", MCP_OFFSET, 4, KyGenAccessModeReadWrite);
    Add("MessageChannelDestination", MCDA_OFFSET, 4, KyGenAccessModeReadWrite);
    if (SoftRegister *reg =
            Add("MessageChannelTransmissionTimeout", MCTT_OFFSET, 4, KyGenAccessModeReadWrite)) {
        reg->SetRawU32(MCTT_DEFAULT_MS);
    }
    if (SoftRegister *reg = Add("MessageChannelRetryCount", MCRC_OFFSET, 4, KyGenAccessModeReadWrite)) {
        reg->SetRawU32(MCRC_DEFAULT);
    }
    AddConstant("MessageChannelSourcePort", MCSP_OFFSET, mContext.messageSourcePort);
    for (uint32_t channel = 0; channel < mContext.streamCount; ++channel) {
        const std::string suffix = std::to_string(channel);
        Add(("StreamChannelPort" + suffix).c_str(), StreamChannelOffset(SCP0_OFFSET, channel), 4,
            KyGenAccessModeReadWrite);
        if (SoftRegister *reg =
                Add(("StreamChannelPacketSize" + suffix).c_str(), StreamChannelOffset(SCPS0_OFFSET, channel),
                    4, KyGenAccessModeReadWrite)) {
            reg->SetRawU32(1500 - GVSP_IP_UDP_OVERHEAD_SIZE);  // an Ethernet frame's datagram
        }
        Add(("StreamChannelPacketDelay" + suffix).c_str(), StreamChannelOffset(SCPD0_OFFSET, channel), 4,
            KyGenAccessModeReadWrite);
        Add(("StreamChannelDestination" + suffix).c_str(), StreamChannelOffset(SCDA0_OFFSET, channel), 4,
            KyGenAccessModeReadWrite);
        AddConstant(("StreamChannelSourcePort" + suffix).c_str(), StreamChannelOffset(SCSP0_OFFSET, channel),
                    0);
        AddConstant(("StreamChannelCapability" + suffix).c_str(), StreamChannelOffset(SCC0_OFFSET, channel),
                    0);
        Add(("StreamChannelConfiguration" + suffix).c_str(), StreamChannelOffset(SCCFG0_OFFSET, channel), 4,
            KyGenAccessModeReadWrite);
    }
}

KyResult SoftBootstrap::AddXml(bool zipped)
{
    mResult = KyResult(KY_OK);
    const std::string &xml = mContext.xml;
    std::vector<uint8_t> file(xml.begin(), xml.end());
    if (zipped) {
        KyResult packed = SoftXmlZip::Pack("KySoftDevice.xml", xml, file);
        if (packed.IsFailure()) {
            return packed;
        }
    }
    const uint32_t size = static_cast<uint32_t>((file.size() + 3) / 4 * 4);
    if (xml.empty() || file.size() > XML_FILE_MAX_SIZE) {
        return KyResult(KY_GENICAM_XML_ERROR, "the GenICam XML file is empty or too large");
    }
    if (SoftRegister *reg = Add("GenICamXMLFile", XML_FILE_OFFSET, size, KyGenAccessModeReadOnly, true)) {
        reg->SetRaw(file.data(), file.size());
    }
    if (SoftRegister *reg =
            Add("FirstURL", FIRST_URL_OFFSET, FIRST_URL_SIZE, KyGenAccessModeReadOnly, true)) {
        reg->SetRawString(
            XmlUrl(zipped ? "KySoftDevice.zip" : "KySoftDevice.xml", XML_FILE_OFFSET, file.size()));
    }
    Add("SecondURL", SECOND_URL_OFFSET, SECOND_URL_SIZE, KyGenAccessModeReadOnly, true);
    return mResult;
}

// The registers behind TLParamsLocked, EventSelector and EventNotification.
void SoftBootstrap::AddFeatureState()
{
    SoftDeviceContext &context = mContext;
    if (SoftRegister *reg = Add("TLParamsLocked", TL_PARAMS_LOCKED_OFFSET, 4, KyGenAccessModeReadWrite)) {
        reg->SetHooks(
            nullptr,
            [](SoftRegister &r) {
                return r.GetRawU32() <= 1 ? KyResult(KY_OK)
                                          : KyResult(KY_INVALID_PARAMETER, "TLParamsLocked is 0 or 1");
            },
            nullptr);
    }
    SoftRegister *selector = Add("EventSelector", EVENT_SELECTOR_OFFSET, 4, KyGenAccessModeReadWrite);
    if (selector == nullptr) {
        return;
    }
    selector->SetRawU32(SoftStandardFeatures::Events().front().second);
    selector->SetHooks(
        nullptr, [](SoftRegister &r) { return SoftStandardFeatures::CheckEventCode(r.GetRawU32()); },
        nullptr);
    if (SoftRegister *reg =
            Add("EventNotification", EVENT_NOTIFICATION_OFFSET, 4, KyGenAccessModeReadWrite)) {
        reg->SetHooks(
            [&context, selector](SoftRegister &r) {
                std::lock_guard<std::mutex> lock(context.eventMutex);
                r.SetRawU32(context.eventNotification[selector->GetRawU32()]);
            },
            [](SoftRegister &r) {
                return r.GetRawU32() <= 1
                           ? KyResult(KY_OK)
                           : KyResult(KY_INVALID_PARAMETER, "EventNotification is Off (0) or On (1)");
            },
            [&context, selector](SoftRegister &r) {
                std::lock_guard<std::mutex> lock(context.eventMutex);
                context.eventNotification[selector->GetRawU32()] = r.GetRawU32();
            });
    }
}

}  // namespace ky::soft
