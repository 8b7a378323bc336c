#include "ky/system/KySystem.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <exception>

#include "DeviceInfoAccess.h"
#include "GevDiscovery.h"
#include "HostAdapters.h"
#include "SessionDiscovery.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"
#include "ky/Guarded.h"
#include "ky/system/KyNetworkAdapter.h"
#include "ky/system/KyUSBHostController.h"
#include "ky/system/KySystemEventSink.h"
#include "u3v/SimUsbRegistry.h"
#include "u3v/U3vBootstrapReader.h"

using namespace ky::device;

namespace {
constexpr uint32_t kGEVSupportedVersion = 0x00020000u;  // 2.0
constexpr uint32_t kU3VSupportedVersion = 0x00010000u;  // 1.0

KyLogger &SystemLog() { return *KyLogCategories::Find("system"); }

// Walks a copy of the list: a sink may unregister sinks, itself too. One unregistered meanwhile
// is not asked any more.
bool AskSinksToIgnore(const std::vector<KySystemEventSink *> &sinks, const KyInterface *anInterface,
                      const KyDeviceInfo *record)
{
    bool ignore = false;
    const std::vector<KySystemEventSink *> snapshot = sinks;
    for (KySystemEventSink *sink : snapshot) {
        if (std::find(sinks.begin(), sinks.end(), sink) == sinks.end())
            continue;
        ky::base::Guarded(SystemLog(), "KySystemEventSink::OnDeviceFound",
                          [&] { sink->OnDeviceFound(anInterface, record, ignore); });
    }
    return ignore;
}

// The record of a device on the simulated USB host controller: its identity as plugged, and the
// versions and family its bootstrap registers give.
std::unique_ptr<KyDeviceInfoU3V> U3vRecord(const ky::u3v::SimUsbDevice &device, size_t port)
{
    U3vIdentity identity;
    identity.guid = device.identity.guid;
    identity.vendor = device.identity.vendor;
    identity.model = device.identity.model;
    identity.family = device.identity.family;
    identity.version = device.identity.deviceVersion;
    identity.serial = device.identity.serial;
    identity.speed = static_cast<KyUSBSpeed>(device.identity.speed);
    identity.devicePath = "sim-usb/1-" + std::to_string(port + 1);
    ky::u3v::U3vBootstrapInfo bootstrap;
    if (ky::u3v::ReadBootstrap(*device.link->HostControl(), bootstrap).IsOK()) {
        identity.genCpVersion = bootstrap.genCpVersion;
        identity.u3vVersion = bootstrap.u3vVersion;
        identity.manufacturerInfo = bootstrap.manufacturerInfo;
        identity.userName = bootstrap.userDefinedName;
        if (!bootstrap.family.empty())
            identity.family = bootstrap.family;
        identity.capabilitiesRead = true;
    }
    auto record = std::make_unique<KyDeviceInfoU3V>();
    DeviceInfoAccess::Fill(*record, identity);
    return record;
}
}  // namespace

KySystem::KySystem() = default;
KySystem::~KySystem() = default;

KyResult KySystem::Find()
{
    std::lock_guard<std::mutex> lock(mFindMutex);
    mDevices.clear();
    mInterfaces.clear();

    const std::vector<HostAdapter> hostAdapters = EnumerateHostAdapters();
    std::vector<KyNetworkAdapter *> adapters;
    for (const HostAdapter &host : hostAdapters) {
        auto adapter = std::make_unique<KyNetworkAdapter>();
        adapter->mName = host.name;
        adapter->mDisplayID = host.name;
        adapter->mCompareID = host.name;
        adapter->mMACAddress = FormatMAC(host.mac);
        adapter->mUniqueID = adapter->mMACAddress;
        adapter->mDescription = host.name;
        for (const HostAddress &address : host.addresses) {
            adapter->mIPAddresses.emplace_back(FormatIPv4(address.ip));
            adapter->mSubnetMasks.emplace_back(FormatIPv4(address.mask));
        }
        adapter->mDefaultGateway = FormatIPv4(host.gateway);
        adapters.push_back(adapter.get());
        mInterfaces.push_back(std::move(adapter));
    }

    DiscoveryOptions options;
    options.timeoutMs = mDetectionTimeout;
    options.subnetBroadcast = mSubnetBroadcast;
    for (const DiscoveredDevice &found : DiscoverDevices(hostAdapters, options)) {
        if (found.adapter >= adapters.size())
            continue;
        KyNetworkAdapter *adapter = adapters[found.adapter];
        auto record = std::make_unique<KyDeviceInfoGEV>();
        DeviceInfoAccess::Fill(*record, found.identity);
        DeviceInfoAccess::SetInterface(*record, adapter);
        if (AskSinksToIgnore(mSinks, adapter, record.get()))
            continue;
        adapter->mDevices.push_back(std::move(record));
    }
    FindUsbDevices();
    for (const auto &anInterface : mInterfaces)
        for (const auto &record : anInterface->mDevices)
            mDevices.push_back(record.get());
    return KyResult();
}

// The simulated USB host controller, when devices are plugged into it (declared ones included).
void KySystem::FindUsbDevices()
{
    ky::u3v::SimUsbRegistry::LoadDeclarations();
    const std::vector<ky::u3v::SimUsbDevice> devices = ky::u3v::SimUsbRegistry::List();
    if (devices.empty())
        return;
    auto controller = std::make_unique<KyUSBHostController>();
    controller->mName = "Simulated USB host controller";
    controller->mDisplayID = controller->mName;
    controller->mCompareID = "sim-usb";
    controller->mUniqueID = "sim-usb";
    controller->mSpeed = KyUSBSpeedSuper;
    for (size_t port = 0; port < devices.size(); ++port) {
        std::unique_ptr<KyDeviceInfoU3V> record = U3vRecord(devices[port], port);
        DeviceInfoAccess::SetInterface(*record, controller.get());
        if (AskSinksToIgnore(mSinks, controller.get(), record.get()))
            continue;
        controller->mDevices.push_back(std::move(record));
    }
    mInterfaces.push_back(std::move(controller));
}

KyResult KySystem::FindDevice(const KyString &aDeviceToFind, const KyDeviceInfo **aDeviceInfo)
{
    KyResult result = Find();
    if (!result.IsOK())
        return result;
    for (const KyDeviceInfo *record : mDevices) {
        if (MatchesDevice(*record, aDeviceToFind.str())) {
            if (aDeviceInfo)
                *aDeviceInfo = record;
            return KyResult();
        }
    }
    return KyResult(KY_NOT_FOUND, KyString("No device answers to '") + aDeviceToFind + KyString("'."));
}

void KySystem::SetDetectionTimeout(uint32_t aTimeout) { mDetectionTimeout = aTimeout; }
uint32_t KySystem::GetDetectionTimeout() const { return mDetectionTimeout; }
void KySystem::SetSubnetBroadcastEnabled(bool aValue) { mSubnetBroadcast = aValue; }
bool KySystem::GetSubnetBroadcastEnabled() const { return mSubnetBroadcast; }
uint32_t KySystem::GetGEVSupportedVersion() const { return kGEVSupportedVersion; }
uint32_t KySystem::GetU3VSupportedVersion() const { return kU3VSupportedVersion; }

KyResult KySystem::RegisterEventSink(KySystemEventSink *aEventSink)
{
    if (!aEventSink)
        return KyResult(KY_INVALID_PARAMETER, "the event sink is null");
    if (std::find(mSinks.begin(), mSinks.end(), aEventSink) != mSinks.end())
        return KyResult(KY_INVALID_PARAMETER, "the event sink is already registered");
    mSinks.push_back(aEventSink);
    return KyResult();
}

KyResult KySystem::UnregisterEventSink(KySystemEventSink *aEventSink)
{
    if (!aEventSink)
        return KyResult(KY_INVALID_PARAMETER, "the event sink is null");
    auto found = std::find(mSinks.begin(), mSinks.end(), aEventSink);
    if (found == mSinks.end())
        return KyResult(KY_NOT_FOUND, "The event sink is not registered.");
    mSinks.erase(found);
    return KyResult();
}

uint32_t KySystem::GetInterfaceCount() const { return static_cast<uint32_t>(mInterfaces.size()); }

KyInterface *KySystem::GetInterface(uint32_t aIndex) const
{
    return aIndex < mInterfaces.size() ? mInterfaces[aIndex].get() : nullptr;
}

uint32_t KySystem::GetDeviceCount() const { return static_cast<uint32_t>(mDevices.size()); }

const KyDeviceInfo *KySystem::GetDeviceInfo(uint32_t aIndex) const
{
    return aIndex < mDevices.size() ? mDevices[aIndex] : nullptr;
}

uint32_t KySystem::DiscoverSessions() const
{
    std::vector<ky::system::HeardSession> heard;
    try {
        heard = ky::system::ListenForSessions(std::chrono::milliseconds(mDetectionTimeout));
    } catch (const std::exception &e) {
        SystemLog().LogError(__FILE__, __LINE__, "KySystem::DiscoverSessions", e.what());
    }
    std::vector<KySessionInfo> sessions;
    for (const ky::system::HeardSession &h : heard) {
        KySessionInfo info;
        info.mName = KyString(h.name);
        info.mAddress = KyString(h.address);
        info.mPort = h.port;
        info.mLocalAddress = KyString(h.localAddress);
        sessions.push_back(info);
    }
    std::lock_guard<std::mutex> lock(mSessionMutex);
    mSessions = std::move(sessions);
    return static_cast<uint32_t>(mSessions.size());
}

KyResult KySystem::GetSessionInfo(uint32_t aIndex, KySessionInfo &aSessionInfo) const
{
    std::lock_guard<std::mutex> lock(mSessionMutex);
    if (aIndex >= mSessions.size())
        return KyResult(KY_NOT_FOUND,
                        KyString("no session " + std::to_string(aIndex) + " was found (" +
                                 std::to_string(mSessions.size()) + " at the last DiscoverSessions)"));
    aSessionInfo = mSessions[aIndex];
    return KyResult();
}
