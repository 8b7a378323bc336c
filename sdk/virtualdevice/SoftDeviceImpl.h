// KySoftDeviceGEV::Impl: the parts of a software device and its start and stop sequence.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "gvcp/SoftControlPrivilege.h"
#include "SoftDeviceHost.h"
#include "SoftDeviceInfo.h"
#include "SoftDeviceStatistics.h"
#include "genapi/SoftFeatureTable.h"
#include "ky/Guarded.h"
#include "SoftLog.h"
#include "gvcp/SoftGvcpHandler.h"
#include "gvcp/SoftGvcpServer.h"
#include "gvcp/SoftMessageChannel.h"
#include "gvcp/SoftTcpServer.h"
#include "gvcp/SoftNetAdapter.h"
#include "registers/SoftRegisterMap.h"
#include "streaming/SoftStreamChannel.h"
#include "registers/SoftSerialPort.h"
#include "registers/SoftUserSets.h"

class __attribute__((visibility("hidden"))) KySoftDeviceGEV::Impl : public ky::soft::SoftDeviceHost
{
public:
    explicit Impl(KySoftDeviceGEV &owner) : mOwner(owner) { }

    KyResult Start(const std::string &macText);
    KyResult Stop();
    // Waits, with the life lock held by lock, until no Stop is in progress.
    void WaitStopped(std::unique_lock<std::recursive_mutex> &lock);

    ky::gev::DiscoveryInfo Identity() override;
    void ControlChanged(ky::soft::SoftControlPrivilege::Change change, const ky::soft::SoftPeer &peer,
                        KyAccessType access) override;
    uint32_t ForceIp(const ky::soft::SoftNetworkConfig &config,
                     ky::soft::SoftNetworkConfig &replaced) override;
    void DropForcedIp(const ky::soft::SoftNetworkConfig &replaced) override;
    void PacketResend(uint16_t channel, uint64_t blockId, uint32_t firstPacketId,
                      uint32_t lastPacketId) override;
    uint32_t StreamDestination(uint16_t channel) override;

    // Calls every registered sink, guarded: a throwing sink is logged and skipped.
    template <typename F>
    void Notify(const char *what, F call)
    {
        std::vector<IKySoftDeviceGEVEventSink *> sinks;
        {
            std::lock_guard<std::mutex> lock(mSinkMutex);
            sinks = mSinks;
        }
        for (IKySoftDeviceGEVEventSink *sink : sinks) {
            ky::base::Guarded(ky::soft::SoftDeviceLog(), what, [&] { call(sink); });
        }
    }

    // Calls the creation callback of every registered sink in turn. The first that throws ends
    // the round: Start fails with what it threw, and no further sink is called.
    template <typename F>
    KyResult NotifyCreation(const char *what, F call)
    {
        std::vector<IKySoftDeviceGEVEventSink *> sinks;
        {
            std::lock_guard<std::mutex> lock(mSinkMutex);
            sinks = mSinks;
        }
        for (IKySoftDeviceGEVEventSink *sink : sinks) {
            KyResult result =
                ky::base::GuardedWithReason(ky::soft::SoftDeviceLog(), what, [&] { call(sink); });
            if (result.IsFailure()) {
                return result;
            }
        }
        return KyResult(KY_OK);
    }

    KySoftDeviceGEV &mOwner;
    // Start, Stop and the before-start setters. Recursive: sinks called during Start may call
    // the device's setters.
    std::recursive_mutex mLifeMutex;
    // The thread inside Stop (none: no Stop in progress); Start and a further Stop wait for it.
    std::thread::id mStopper;
    std::condition_variable_any mStopped;
    std::atomic<bool> mRunning{false};
    std::atomic<bool> mStarting{false};  // inside Start: identity and register map are handed out

    ky::soft::SoftDeviceInfo mInfo;
    ky::soft::SoftDeviceContext mContext{mInfo};
    ky::soft::SoftDeviceStatistics mStatistics;
    ky::soft::SoftRegisterMap mMap;
    ky::soft::SoftUserSets mUserSets;
    ky::soft::SoftSerialPort mSerialPort;
    // Features of the stream channels (image format, acquisition), filled before the XML is made;
    // rendered after the standard features, and open to the GenApi factory's overrides.
    std::vector<ky::soft::SoftFeatureTable> mStreamTables;
    ky::soft::SoftControlPrivilege mPrivilege;
    std::unique_ptr<ky::soft::SoftGvcpHandler> mHandler;
    std::unique_ptr<ky::soft::SoftGvcpServer> mServer;
    std::unique_ptr<ky::soft::SoftMessageChannel> mChannel;
    std::unique_ptr<ky::soft::SoftTcpServer> mTcp;                       // with the TCP transport switched on
    std::vector<std::unique_ptr<ky::soft::SoftStreamChannel>> mStreams;  // one per source while running

    std::mutex mSinkMutex;
    std::vector<IKySoftDeviceGEVEventSink *> mSinks;
    std::vector<IKyStreamingChannelSource *> mSources;
    IKyUserSetNotify *mUserSetNotify = nullptr;
    KyVirtualDeviceLib::IActionHandler *mActionHandler = nullptr;
    uint32_t mUserSetCount = 0;
    bool mTcpEnabled = false;
    bool mRtpEnabled = false;
    bool mStreamTimestamping = true;
    bool mApplyForcedIp = false;
    bool mZipXml = false;
    std::string mPreferredIp;
    struct TestDrop
    {
        double fraction = 0.0;
        uint32_t seed = 0;
    };
    std::vector<TestDrop> mTestDrops;  // per stream channel, test only
    bool mXmlMade = false;

    ky::soft::SoftNetAdapter mAdapter;
    ky::soft::SoftNetworkConfig mAddress;
    std::mutex mForcedMutex;
    ky::soft::SoftNetworkConfig mAppliedForced;  // the address the last FORCEIP added to the adapter
    // Every address FORCEIPs added and not yet taken off (the applied one, and those replaced
    // whose acknowledge may still be leaving from them); removed at Stop at the latest.
    std::vector<ky::soft::SoftNetworkConfig> mForcedOnAdapter;

private:
    KyResult ChooseAddress(const std::string &macText);
    KyResult MakeXml();
    void MakeStandardXml();
    void RemoveAppliedForcedIp();
    void RemoveForcedAddress(const ky::soft::SoftNetworkConfig &address);  // with mForcedMutex held
    void ResetChannels();
    KyResult StartStreams();
    void Teardown();
};
