// KySystem: the discovery root. Find() lists the host's interfaces (network adapters, the
// loopback adapter included) and the GigE Vision devices that answer on each of them.
//
// The interfaces and records it hands out belong to the KySystem and stay valid until the next
// Find/FindDevice or its destruction. Find and FindDevice block for the detection timeout. One
// KySystem is meant for one thread at a time (Find calls are serialised; the getters are not
// guarded against a Find running on another thread).
#pragma once

#include "ky/system/KySystemExport.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "ky/device/KyDeviceInfo.h"
#include "ky/system/KyInterface.h"
#include "ky/base/KyResult.h"
#include "ky/system/KySessionInfo.h"
#include "ky/base/KyString.h"

class KySystemEventSink;

class KY_SYSTEM_API KySystem
{
public:
    KySystem();
    virtual ~KySystem();

    // Rebuilds the interface and device lists. KY_OK also when no device answers.
    KyResult Find();
    // Runs discovery and looks for a device by MAC address, IP address, unique ID or user-defined
    // name. KY_NOT_FOUND when none matches; otherwise *aDeviceInfo (when not null) points to its
    // record (owned by the system).
    KyResult FindDevice(const KyString &aDeviceToFind, const KyDeviceInfo **aDeviceInfo);

    // How long discovery waits for answers, in milliseconds (default 1000).
    void SetDetectionTimeout(uint32_t aTimeout);
    uint32_t GetDetectionTimeout() const;
    // Also send discovery to each adapter's subnet broadcast address (default off: only the
    // limited broadcast 255.255.255.255 out of each adapter).
    void SetSubnetBroadcastEnabled(bool aValue);
    bool GetSubnetBroadcastEnabled() const;

    uint32_t GetGEVSupportedVersion() const;  // major << 16 | minor
    uint32_t GetU3VSupportedVersion() const;  // 0: no USB3 Vision transport in this kit

    // Sinks are told about each device during Find (see KySystemEventSink.h).
    // KY_INVALID_PARAMETER for null or a repeat; KY_NOT_FOUND to unregister an unknown sink.
    KyResult RegisterEventSink(KySystemEventSink *aEventSink);
    KyResult UnregisterEventSink(KySystemEventSink *aEventSink);

    uint32_t GetInterfaceCount() const;
    KyInterface *GetInterface(uint32_t aIndex) const;  // nullptr when out of range
    // Every device of every interface, in interface order.
    uint32_t GetDeviceCount() const;
    const KyDeviceInfo *GetDeviceInfo(uint32_t aIndex) const;  // nullptr when out of range

    // Sessions advertised by SAP. This kit does not listen for SAP announcements: no session is
    // ever found, and GetSessionInfo answers KY_NOT_FOUND and leaves the record untouched.
    uint32_t DiscoverSessions() const;
    KyResult GetSessionInfo(uint32_t aIndex, KySessionInfo &aSessionInfo) const;

private:
    KySystem(const KySystem &) = delete;
    KySystem &operator=(const KySystem &) = delete;

    std::mutex mFindMutex;
    uint32_t mDetectionTimeout = 1000;
    bool mSubnetBroadcast = false;
    std::vector<KySystemEventSink *> mSinks;
    std::vector<std::unique_ptr<KyInterface>> mInterfaces;
    std::vector<const KyDeviceInfo *> mDevices;
};
