// KyGevConstants: the GigE Vision numbers an application may need, each spelled once: the GVCP
// port and the bootstrap registers (addresses, sizes and bit fields), as read and written with
// KyDevice::ReadMemory/WriteMemory or a soft device's register map. The SDK's own client,
// soft device and tools use these same constants.
//
// Bit masks follow the register's 32-bit big-endian value (bit 31 of the standard's numbering is
// the least significant bit, so "bit 31" is 0x00000001). Header only: nothing here is linked.
#pragma once

#include <cstdint>

namespace ky::gev {

// The UDP port a device answers GVCP commands on (discovery, register and memory access).
constexpr uint16_t GVCP_PORT = 3956;

// Identity and network configuration.
constexpr uint32_t VERSION_OFFSET = 0x0000;
constexpr uint32_t VERSION_MAJOR_SHIFT = 16;
constexpr uint32_t VERSION_MINOR_MASK = 0x0000FFFF;
constexpr uint32_t DEVICE_MODE_OFFSET = 0x0004;
constexpr uint32_t DEVICE_MODE_BIG_ENDIAN_MASK = 0x80000000;
constexpr uint32_t DEVICE_MODE_CLASS_MASK = 0x70000000;
constexpr uint32_t DEVICE_MODE_CLASS_SHIFT = 28;
constexpr uint32_t DEVICE_MODE_CHARSET_MASK = 0x000000FF;
constexpr uint32_t DEVICE_MODE_CHARSET_UTF8 = 0x00000001;
constexpr uint32_t MAC_HIGH_OFFSET = 0x0008;
constexpr uint32_t MAC_LOW_OFFSET = 0x000C;
constexpr uint32_t SUPPORTED_IP_CONFIG_OFFSET = 0x0010;
constexpr uint32_t CURRENT_IP_CONFIG_OFFSET = 0x0014;
constexpr uint32_t IP_CONFIG_PERSISTENT_MASK = 0x00000001;
constexpr uint32_t IP_CONFIG_DHCP_MASK = 0x00000002;
constexpr uint32_t IP_CONFIG_LLA_MASK = 0x00000004;
constexpr uint32_t IP_CONFIG_PAUSE_GENERATION_MASK = 0x40000000;
constexpr uint32_t IP_CONFIG_PAUSE_RECEPTION_MASK = 0x80000000;
constexpr uint32_t CURRENT_IP_OFFSET = 0x0024;
constexpr uint32_t CURRENT_SUBNET_MASK_OFFSET = 0x0034;
constexpr uint32_t CURRENT_GATEWAY_OFFSET = 0x0044;
constexpr uint32_t MANUFACTURER_NAME_OFFSET = 0x0048;
constexpr uint32_t MANUFACTURER_NAME_SIZE = 32;
constexpr uint32_t MODEL_NAME_OFFSET = 0x0068;
constexpr uint32_t MODEL_NAME_SIZE = 32;
constexpr uint32_t DEVICE_VERSION_OFFSET = 0x0088;
constexpr uint32_t DEVICE_VERSION_SIZE = 32;
constexpr uint32_t MANUFACTURER_INFO_OFFSET = 0x00A8;
constexpr uint32_t MANUFACTURER_INFO_SIZE = 48;
constexpr uint32_t SERIAL_NUMBER_OFFSET = 0x00D8;
constexpr uint32_t SERIAL_NUMBER_SIZE = 16;
constexpr uint32_t USER_DEFINED_NAME_OFFSET = 0x00E8;
constexpr uint32_t USER_DEFINED_NAME_SIZE = 16;
constexpr uint32_t FIRST_URL_OFFSET = 0x0200;
constexpr uint32_t FIRST_URL_SIZE = 512;
constexpr uint32_t SECOND_URL_OFFSET = 0x0400;
constexpr uint32_t SECOND_URL_SIZE = 512;
constexpr uint32_t NUMBER_OF_INTERFACES_OFFSET = 0x0600;
constexpr uint32_t PERSISTENT_IP_OFFSET = 0x064C;
constexpr uint32_t PERSISTENT_SUBNET_MASK_OFFSET = 0x065C;
constexpr uint32_t PERSISTENT_GATEWAY_OFFSET = 0x066C;
constexpr uint32_t LINK_SPEED_OFFSET = 0x0670;

// Channels, capabilities and timing.
constexpr uint32_t MESSAGE_CHANNEL_COUNT_OFFSET = 0x0900;
constexpr uint32_t STREAM_CHANNEL_COUNT_OFFSET = 0x0904;
constexpr uint32_t ACTION_SIGNAL_COUNT_OFFSET = 0x0908;
constexpr uint32_t ACTION_DEVICE_KEY_OFFSET = 0x090C;
constexpr uint32_t ACTIVE_LINKS_OFFSET = 0x0910;
constexpr uint32_t GVSP_CAPABILITY_OFFSET = 0x092C;
constexpr uint32_t MESSAGE_CHANNEL_CAPABILITY_OFFSET = 0x0930;
constexpr uint32_t GVCP_CAPABILITY_OFFSET = 0x0934;
constexpr uint32_t GVCP_CAP_USER_DEFINED_NAME_MASK = 0x80000000;
constexpr uint32_t GVCP_CAP_SERIAL_NUMBER_MASK = 0x40000000;
constexpr uint32_t GVCP_CAP_HEARTBEAT_DISABLE_MASK = 0x20000000;
constexpr uint32_t GVCP_CAP_LINK_SPEED_MASK = 0x10000000;
constexpr uint32_t GVCP_CAP_CCP_APPLICATION_MASK = 0x08000000;
constexpr uint32_t GVCP_CAP_MANIFEST_TABLE_MASK = 0x04000000;
constexpr uint32_t GVCP_CAP_TEST_DATA_MASK = 0x02000000;
constexpr uint32_t GVCP_CAP_DISCOVERY_ACK_DELAY_MASK = 0x01000000;
constexpr uint32_t GVCP_CAP_WRITABLE_DISCOVERY_ACK_DELAY_MASK = 0x00800000;
constexpr uint32_t GVCP_CAP_EXTENDED_STATUS_MASK = 0x00400000;
constexpr uint32_t GVCP_CAP_ACTION_MASK = 0x00000040;
constexpr uint32_t GVCP_CAP_PENDING_ACK_MASK = 0x00000020;
constexpr uint32_t GVCP_CAP_EVENTDATA_MASK = 0x00000010;
constexpr uint32_t GVCP_CAP_EVENT_MASK = 0x00000008;
constexpr uint32_t GVCP_CAP_PACKETRESEND_MASK = 0x00000004;
constexpr uint32_t GVCP_CAP_WRITEMEM_MASK = 0x00000002;
constexpr uint32_t GVCP_CAP_CONCATENATION_MASK = 0x00000001;
constexpr uint32_t HEARTBEAT_TIMEOUT_OFFSET = 0x0938;
constexpr uint32_t TIMESTAMP_TICK_HIGH_OFFSET = 0x093C;
constexpr uint32_t TIMESTAMP_TICK_LOW_OFFSET = 0x0940;
constexpr uint32_t TIMESTAMP_CONTROL_OFFSET = 0x0944;
constexpr uint32_t TIMESTAMP_CONTROL_RESET_MASK = 0x00000001;
constexpr uint32_t TIMESTAMP_CONTROL_LATCH_MASK = 0x00000002;
constexpr uint32_t TIMESTAMP_VALUE_HIGH_OFFSET = 0x0948;
constexpr uint32_t TIMESTAMP_VALUE_LOW_OFFSET = 0x094C;
constexpr uint32_t DISCOVERY_ACK_DELAY_OFFSET = 0x0950;
constexpr uint32_t GVCP_CONFIG_OFFSET = 0x0954;
constexpr uint32_t GVCP_CONFIG_HEARTBEAT_DISABLE_MASK = 0x00000001;
constexpr uint32_t GVCP_CONFIG_PENDING_ACK_ENABLE_MASK = 0x00000002;
constexpr uint32_t GVCP_CONFIG_EXTENDED_STATUS_MASK = 0x00000004;
constexpr uint32_t GVCP_CONFIG_UNCONDITIONAL_ACTION_MASK = 0x00000008;
constexpr uint32_t PENDING_TIMEOUT_OFFSET = 0x0958;
constexpr uint32_t CONTROL_SWITCHOVER_KEY_OFFSET = 0x095C;

// Control channel privilege.
constexpr uint32_t CCP_OFFSET = 0x0A00;
constexpr uint32_t CCP_EXCLUSIVE_MASK = 0x00000001;
constexpr uint32_t CCP_CONTROL_MASK = 0x00000002;
constexpr uint32_t CCP_SWITCHOVER_ENABLE_MASK = 0x00000004;
constexpr uint32_t CCP_SWITCHOVER_KEY_MASK = 0xFFFF0000;
constexpr uint32_t PRIMARY_APPLICATION_PORT_OFFSET = 0x0A04;
constexpr uint32_t PRIMARY_APPLICATION_IP_OFFSET = 0x0A14;

// Message channel.
constexpr uint32_t MCP_OFFSET = 0x0B00;
constexpr uint32_t MCP_HOST_PORT_MASK = 0x0000FFFF;
constexpr uint32_t MCDA_OFFSET = 0x0B10;
constexpr uint32_t MCTT_OFFSET = 0x0B14;
constexpr uint32_t MCRC_OFFSET = 0x0B18;
constexpr uint32_t MCSP_OFFSET = 0x0B1C;

// Stream channel 0; channel n is at the same offsets plus n * SC_STRIDE.
constexpr uint32_t SCP0_OFFSET = 0x0D00;
constexpr uint32_t SCP_HOST_PORT_MASK = 0x0000FFFF;
constexpr uint32_t SCP_DIRECTION_MASK = 0x80000000;
constexpr uint32_t SCPS0_OFFSET = 0x0D04;
constexpr uint32_t SCPS_FIRE_TEST_PACKET_MASK = 0x80000000;
constexpr uint32_t SCPS_DO_NOT_FRAGMENT_MASK = 0x40000000;
constexpr uint32_t SCPS_BIG_ENDIAN_MASK = 0x20000000;
constexpr uint32_t SCPS_PACKET_SIZE_MASK = 0x0000FFFF;
constexpr uint32_t SCPD0_OFFSET = 0x0D08;
constexpr uint32_t SCDA0_OFFSET = 0x0D18;
constexpr uint32_t SCSP0_OFFSET = 0x0D1C;
constexpr uint32_t SCC0_OFFSET = 0x0D20;
constexpr uint32_t SCCFG0_OFFSET = 0x0D24;
// SCCx bit 25 (bit 0 the most significant): the channel can send multi-part payloads; SCCFGx
// bit 25: the controller lets it.
constexpr uint32_t SCC_MULTIPART_SUPPORTED_MASK = 0x00000040;
constexpr uint32_t SCCFG_MULTIPART_ENABLED_MASK = 0x00000040;
// SCCx bit 24: the channel can send multi-part leaders and trailers larger than the classic ones
// (more parts than 10); SCCFGx bit 24: the controller asks for them.
constexpr uint32_t SCC_LARGE_LEADER_TRAILER_SUPPORTED_MASK = 0x00000080;
constexpr uint32_t SCCFG_LARGE_LEADER_TRAILER_ENABLED_MASK = 0x00000080;
constexpr uint32_t SC_STRIDE = 0x40;
constexpr uint32_t SC_MAX_CHANNELS = 512;

// Manifest table and action groups.
constexpr uint32_t MANIFEST_TABLE_OFFSET = 0x9000;
constexpr uint32_t MANIFEST_TABLE_SIZE = 0x200;
constexpr uint32_t ACTION_GROUP_KEY0_OFFSET = 0x9800;
constexpr uint32_t ACTION_GROUP_MASK0_OFFSET = 0x9804;
constexpr uint32_t ACTION_GROUP_STRIDE = 0x10;

// Registers from 0x0000 up to here are the bootstrap area; device-specific registers start above.
constexpr uint32_t BOOTSTRAP_SIZE = 0xA000;

constexpr uint32_t StreamChannelOffset(uint32_t channel0Offset, uint32_t channel)
{
    return channel0Offset + channel * SC_STRIDE;
}

}  // namespace ky::gev
