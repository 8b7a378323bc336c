#include "GevLinkParameters.h"

#include "GevConnection.h"
#include "ky/device/KyDeviceGEV.h"
#include "gev/Bootstrap.h"
#include "ky/ByteOrder.h"

namespace ky {
namespace device {

namespace {

enum Address : uint32_t {
    ANSWER_TIMEOUT = 0x00,
    COMMAND_RETRY_COUNT = 0x04,
    HEARTBEAT_INTERVAL = 0x08,
    HEARTBEAT_TIMEOUT = 0x0C,
    AUTO_NEGOTIATION = 0x10,
    DEFAULT_PACKET_SIZE = 0x14,
    END = 0x18,
};

// Values are 32-bit big-endian words at the addresses above.
const char *const kXml = R"(<?xml version="1.0" encoding="utf-8"?>
<RegisterDescription ModelName="GigEVisionLink" VendorName="Ky" StandardNameSpace="None" SchemaMajorVersion="1" SchemaMinorVersion="1" SchemaSubMinorVersion="0" MajorVersion="1" MinorVersion="0" SubMinorVersion="0" ToolTip="Parameters of the connection to a GigE Vision device" ProductGuid="7d1a6a52-3f4c-4f0e-9b0a-6b7c1e0f0a01" VersionGuid="7d1a6a52-3f4c-4f0e-9b0a-6b7c1e0f0a02" xmlns="http://www.genicam.org/GenApi/Version_1_1">
  <Category Name="Root" NameSpace="Standard">
    <pFeature>Connection</pFeature>
  </Category>
  <Category Name="Connection" NameSpace="Custom">
    <pFeature>AnswerTimeout</pFeature>
    <pFeature>CommandRetryCount</pFeature>
    <pFeature>HeartbeatInterval</pFeature>
    <pFeature>HeartbeatTimeout</pFeature>
    <pFeature>AutoNegotiation</pFeature>
    <pFeature>DefaultPacketSize</pFeature>
  </Category>
  <Integer Name="AnswerTimeout" NameSpace="Custom">
    <ToolTip>How long a command waits for the device's answer</ToolTip>
    <pValue>AnswerTimeoutReg</pValue><Min>10</Min><Max>60000</Max><Unit>ms</Unit>
  </Integer>
  <IntReg Name="AnswerTimeoutReg" NameSpace="Custom"><Address>0x00</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Link</pPort><Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess></IntReg>
  <Integer Name="CommandRetryCount" NameSpace="Custom">
    <ToolTip>How many times a command is sent again when no answer comes</ToolTip>
    <pValue>CommandRetryCountReg</pValue><Min>0</Min><Max>20</Max>
  </Integer>
  <IntReg Name="CommandRetryCountReg" NameSpace="Custom"><Address>0x04</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Link</pPort><Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess></IntReg>
  <Integer Name="HeartbeatInterval" NameSpace="Custom">
    <ToolTip>How often the heartbeat keeps control of the device (from the heartbeat timeout)</ToolTip>
    <pValue>HeartbeatIntervalReg</pValue><Unit>ms</Unit>
  </Integer>
  <IntReg Name="HeartbeatIntervalReg" NameSpace="Custom"><Address>0x08</Address><Length>4</Length><AccessMode>RO</AccessMode><pPort>Link</pPort><Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess></IntReg>
  <Integer Name="HeartbeatTimeout" NameSpace="Custom">
    <ToolTip>The device's heartbeat timeout: it drops control after this long without a heartbeat</ToolTip>
    <pValue>HeartbeatTimeoutReg</pValue><Min>500</Min><Max>600000</Max><Unit>ms</Unit>
  </Integer>
  <IntReg Name="HeartbeatTimeoutReg" NameSpace="Custom"><Address>0x0C</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Link</pPort><Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess></IntReg>
  <Boolean Name="AutoNegotiation" NameSpace="Custom">
    <ToolTip>Packet-size negotiation takes the largest size the adapter's MTU allows; off, it takes DefaultPacketSize</ToolTip>
    <pValue>AutoNegotiationReg</pValue><OnValue>1</OnValue><OffValue>0</OffValue>
  </Boolean>
  <IntReg Name="AutoNegotiationReg" NameSpace="Custom"><Address>0x10</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Link</pPort><Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess></IntReg>
  <Integer Name="DefaultPacketSize" NameSpace="Custom">
    <ToolTip>Stream packet size set by negotiation while AutoNegotiation is off</ToolTip>
    <pValue>DefaultPacketSizeReg</pValue><Min>576</Min><Max>9000</Max><Inc>4</Inc><Unit>B</Unit>
  </Integer>
  <IntReg Name="DefaultPacketSizeReg" NameSpace="Custom"><Address>0x14</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Link</pPort><Cachable>NoCache</Cachable><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess></IntReg>
  <Port Name="Link" NameSpace="Custom"/>
</RegisterDescription>
)";

}  // namespace

GevLinkParameters::GevLinkParameters(GevConnection &connection, KyDeviceGEV &device)
    : mConnection(connection), mDevice(device)
{
}

KyResult GevLinkParameters::Load(KyGenParameterArray &array) { return array.Load(KyString(kXml), this); }

KyResult GevLinkParameters::Get(uint64_t address, uint32_t &value)
{
    const GvcpClient::Settings settings = mConnection.ClientSettings();
    switch (address) {
    case ANSWER_TIMEOUT: value = static_cast<uint32_t>(settings.answerTimeout.count()); return KyResult();
    case COMMAND_RETRY_COUNT: value = settings.attempts - 1; return KyResult();
    case HEARTBEAT_INTERVAL: value = mConnection.HeartbeatPeriodMs(); return KyResult();
    case HEARTBEAT_TIMEOUT: return mDevice.ReadRegister(gev::HEARTBEAT_TIMEOUT_OFFSET, value);
    case AUTO_NEGOTIATION: value = mAutoNegotiation ? 1 : 0; return KyResult();
    case DEFAULT_PACKET_SIZE: value = mDefaultPacketSize; return KyResult();
    default: return KyResult(KY_INVALID_PARAMETER, "No link parameter at that address.");
    }
}

KyResult GevLinkParameters::Set(uint64_t address, uint32_t value)
{
    GvcpClient::Settings settings = mConnection.ClientSettings();
    switch (address) {
    case ANSWER_TIMEOUT: settings.answerTimeout = std::chrono::milliseconds(value); break;
    case COMMAND_RETRY_COUNT: settings.attempts = value + 1; break;
    case HEARTBEAT_TIMEOUT: return mDevice.WriteRegister(gev::HEARTBEAT_TIMEOUT_OFFSET, value);
    case AUTO_NEGOTIATION: mAutoNegotiation = value != 0; return KyResult();
    case DEFAULT_PACKET_SIZE: mDefaultPacketSize = value; return KyResult();
    default: return KyResult(KY_INVALID_PARAMETER, "That link parameter is not writable.");
    }
    mConnection.SetClientSettings(settings);
    return KyResult();
}

KyResult GevLinkParameters::ReadPort(uint64_t address, void *data, uint32_t length)
{
    if (data == nullptr || address % 4 != 0 || length != 4 || address >= END)
        return KyResult(KY_INVALID_PARAMETER, "Link parameters are read as single 32-bit words.");
    uint32_t value = 0;
    KyResult result = Get(address, value);
    base::StoreBig32(static_cast<uint8_t *>(data), value);
    return result;
}

KyResult GevLinkParameters::WritePort(uint64_t address, const void *data, uint32_t length)
{
    if (data == nullptr || address % 4 != 0 || length != 4 || address >= END)
        return KyResult(KY_INVALID_PARAMETER, "Link parameters are written as single 32-bit words.");
    return Set(address, base::LoadBig32(static_cast<const uint8_t *>(data)));
}

}  // namespace device
}  // namespace ky
