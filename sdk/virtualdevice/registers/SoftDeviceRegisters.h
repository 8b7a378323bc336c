// Device-specific register addresses and the state that the bootstrap registers show.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "ky/device/KyGevConstants.h"
#include "gev/Gvcp.h"

namespace ky::soft {

// Outside the bootstrap area and far above where programs put their own registers.
constexpr uint32_t FIRMWARE_VERSION_OFFSET = 0x3FFF0100;
constexpr uint32_t FIRMWARE_VERSION_SIZE = 32;
constexpr uint32_t XML_FILE_OFFSET = 0x3FF00000;
constexpr uint32_t XML_FILE_MAX_SIZE = 0x000F0000;
// Custom registers stay out of [0, BOOTSTRAP_AREA_END) and [XML_FILE_OFFSET, DEVICE_AREA_END).
constexpr uint64_t BOOTSTRAP_AREA_END = 0xA000;
constexpr uint64_t DEVICE_AREA_END = 0x40000000;

constexpr uint32_t HEARTBEAT_TIMEOUT_DEFAULT_MS = 3000;
constexpr uint32_t HEARTBEAT_TIMEOUT_MIN_MS = 500;
constexpr uint32_t PENDING_TIMEOUT_MS = 500;
constexpr uint32_t MCTT_DEFAULT_MS = 300;
constexpr uint32_t MCRC_DEFAULT = 2;
constexpr uint32_t TIMESTAMP_TICKS_PER_SECOND = 1000000000;
constexpr uint32_t LINK_SPEED_MBPS = 1000;
constexpr uint32_t MAX_STREAM_CHANNELS = 4;

struct SoftNetworkConfig
{
    uint32_t ip = 0;  // host order
    uint32_t mask = 0;
    uint32_t gateway = 0;
};

// What the device keeps across Stop/Start of the same object.
struct SoftPersistentConfig
{
    uint32_t ipConfig = ky::gev::IP_CONFIG_DHCP_MASK | ky::gev::IP_CONFIG_LLA_MASK;
    SoftNetworkConfig persistent;
    std::string userName;
};

class SoftDeviceInfo;

// The live state behind the bootstrap registers, shared by their hooks, the GVCP server and the
// device object. Network fields under networkMutex.
struct SoftDeviceContext
{
    explicit SoftDeviceContext(SoftDeviceInfo &deviceInfo) : info(deviceInfo) { }

    SoftDeviceInfo &info;
    ky::gev::MacAddress mac{};
    std::mutex networkMutex;
    SoftNetworkConfig current;
    SoftPersistentConfig persistent;

    std::chrono::steady_clock::time_point timestampBase = std::chrono::steady_clock::now();
    std::atomic<uint64_t> latchedTimestamp{0};
    uint32_t streamCount = 0;
    bool rtpEnabled = false;  // stream channels offer RTP besides GVSP (SetRTPProtocolEnabled)
    uint16_t messageSourcePort = 0;
    std::string xml;

    // EventNotification per event code, as the controller set it through EventSelector.
    std::mutex eventMutex;
    std::map<uint32_t, uint32_t> eventNotification;

    uint64_t Timestamp() const
    {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         std::chrono::steady_clock::now() - timestampBase)
                                         .count());
    }
};

// Registers behind the device's own standard features (user sets, events, parameter lock).
constexpr uint32_t TL_PARAMS_LOCKED_OFFSET = 0x3FFF0200;
constexpr uint32_t EVENT_SELECTOR_OFFSET = 0x3FFF0204;
constexpr uint32_t EVENT_NOTIFICATION_OFFSET = 0x3FFF0208;
constexpr uint32_t USER_SET_SELECTOR_OFFSET = 0x3FFF020C;
constexpr uint32_t USER_SET_LOAD_OFFSET = 0x3FFF0210;
constexpr uint32_t USER_SET_SAVE_OFFSET = 0x3FFF0214;
constexpr uint32_t USER_SET_DEFAULT_OFFSET = 0x3FFF0218;

}  // namespace ky::soft
