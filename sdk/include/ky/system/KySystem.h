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
    /// Constructor.
    KySystem();
    /// Destructor.
    virtual ~KySystem();

    /// Find all interfaces and GigE Vision, USB3 Vision and Tesmar Protocol devices reachable from this system.
    ///
    /// Rebuilds the interface and device lists; blocks for the detection timeout.
    ///
    /// @return Includes: KY_OK (also when no device answers), KY_NETWORK_ERROR
    KyResult Find();
    /// Finds devices until a specific device is found.
    ///
    /// Runs discovery and looks for a device by MAC address, IP address, unique ID or user-defined
    /// name.
    ///
    /// @param[in] aDeviceToFind MAC address, IP address, unique ID or user-defined name
    /// @param[out] aDeviceInfo when not null, receives the device's record (owned by the system)
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND
    KyResult FindDevice(const KyString &aDeviceToFind, const KyDeviceInfo **aDeviceInfo);

    /// Sets the time to search the system devices.
    ///
    /// @param[in] aTimeout how long discovery waits for answers, in milliseconds (default 1000)
    void SetDetectionTimeout(uint32_t aTimeout);
    /// Get the maximum time to search for GigE Vision devices.
    ///
    /// @return the detection timeout in milliseconds
    uint32_t GetDetectionTimeout() const;
    /// Sets whether subnet broadcasts are used (or not) when detecting GigE Vision devices.
    ///
    /// When on, discovery also goes to each adapter's subnet broadcast address (default off:
    /// only the limited broadcast 255.255.255.255 out of each adapter).
    ///
    /// @param[in] aValue true to send subnet broadcasts too
    void SetSubnetBroadcastEnabled(bool aValue);
    /// Gets whether subnet broadcasts are used (or not) when detecting GigE Vision devices.
    ///
    /// @return true when subnet broadcasts are sent too
    bool GetSubnetBroadcastEnabled() const;
    /// Get the version of GigE Vision spec supported by the SDK.
    ///
    /// @return major version << 16 \| minor version
    uint32_t GetGEVSupportedVersion() const;
    /// Get the version of USB3 Vision spec supported by the SDK.
    ///
    /// @return major version << 16 \| minor version (1.0)
    uint32_t GetU3VSupportedVersion() const;

    /// Register an event sink (for device finding notification).
    ///
    /// Sinks are told about each device during Find (see KySystemEventSink.h).
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (null or a repeat)
    KyResult RegisterEventSink(KySystemEventSink *aEventSink);
    /// Unregister an event sink
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND (not registered)
    KyResult UnregisterEventSink(KySystemEventSink *aEventSink);

    /// Get the number of interfaces detected on the system
    ///
    /// @return the number of interfaces
    uint32_t GetInterfaceCount() const;
    /// Get a #KyInterface.
    ///
    /// @param[in] aIndex 0 to GetInterfaceCount() - 1
    ///
    /// @return the interface, owned by the system; null when out of range
    KyInterface *GetInterface(uint32_t aIndex) const;
    /// Returns number of device that can be enumerated from KySystem using GetDeviceInfo.
    ///
    /// @return every device of every interface
    uint32_t GetDeviceCount() const;
    /// Returns a pointer to a device of the KySystem.
    ///
    /// @param[in] aIndex 0 to GetDeviceCount() - 1, in interface order
    ///
    /// @return the record, owned by the system; null when out of range
    const KyDeviceInfo *GetDeviceInfo(uint32_t aIndex) const;

    /// Scans for active sessions advertised via SAP.
    ///
    /// Listens for the detection timeout on the SAP group 224.2.127.254, port 9875, joined on every adapter, and keeps the sessions whose announcements name a video stream (a deletion heard meanwhile removes its session). The list replaces the one of the last call. A sender repeats its announcement, so the detection timeout should be longer than its period (a second for this kit's soft device).
    ///
    /// @return the number of sessions found
    uint32_t DiscoverSessions() const;
    /// Returns SDP information about an active session (unused by GEV and U3V).
    ///
    /// The session's record is written into aSessionInfo: the session's name (s=), the video's connection address and port (c=, m=), and the local address to receive on: the connection address when it is this host's, else the address of the adapter that heard the announcement. Open a KyStreamRTP there: unicast on (mLocalAddress, mPort), or multicast on (mAddress, mPort, mLocalAddress) for a group.
    ///
    /// @param[in] aIndex 0 to DiscoverSessions() - 1
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND (the record is left untouched)
    KyResult GetSessionInfo(uint32_t aIndex, KySessionInfo &aSessionInfo) const;

private:
    KySystem(const KySystem &) = delete;
    KySystem &operator=(const KySystem &) = delete;
    void FindUsbDevices();

    std::mutex mFindMutex;
    uint32_t mDetectionTimeout = 1000;
    bool mSubnetBroadcast = false;
    std::vector<KySystemEventSink *> mSinks;
    std::vector<std::unique_ptr<KyInterface>> mInterfaces;
    std::vector<const KyDeviceInfo *> mDevices;
    mutable std::mutex mSessionMutex;
    mutable std::vector<KySessionInfo> mSessions;  // of the last DiscoverSessions
};
