#include "SoftDeviceImpl.h"

#include <algorithm>

#include "registers/SoftBootstrap.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "genapi/SoftDeviceXml.h"
#include "genapi/SoftGenApiFactory.h"
#include "genapi/SoftStandardFeatures.h"
#include "ky/Guarded.h"
#include "SoftLog.h"
#include "SoftDeviceThreads.h"
#include "registers/SoftRegisterFactory.h"
#include "genapi/SoftStreamFeatures.h"
#include "registers/SoftChunkRegisters.h"
#include "registers/SoftStreamRegisters.h"
#include "ky/device/KyGevConstants.h"
#include "ky/ByteOrder.h"
#include "ky/Ipv4Text.h"

using namespace ky::gev;
using namespace ky::soft;

KyResult KySoftDeviceGEV::Impl::ChooseAddress(const std::string &macText)
{
    KyResult result = SoftNetAdapter::FindByMac(macText, mAdapter);
    if (result.IsFailure()) {
        return result;
    }
    mAddress = mAdapter.addresses.front();
    if (!mPreferredIp.empty()) {
        uint32_t wanted = 0;
        SoftNetAdapter::ParseIp(mPreferredIp, wanted);
        bool found = false;
        for (const SoftNetworkConfig &address : mAdapter.addresses) {
            if (address.ip == wanted) {
                mAddress = address;
                found = true;
            }
        }
        if (!found) {
            return KyResult(KY_INVALID_PARAMETER,
                            KyString("adapter ") + mAdapter.name + " has no address " + mPreferredIp);
        }
    }
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::Impl::Start(const std::string &macText)
{
    std::unique_lock<std::recursive_mutex> lock(mLifeMutex);
    if (mStopper == std::this_thread::get_id()) {
        return KyResult(KY_STATE_ERROR, "the device is stopping");
    }
    WaitStopped(lock);
    if (mRunning) {
        return KyResult(KY_STATE_ERROR, "the device is already running");
    }
    // The identity and the register map answer from here on, so that the creation callbacks
    // can use them.
    mStarting = true;
    struct StartingEnd
    {
        std::atomic<bool> &flag;
        ~StartingEnd() { flag = false; }
    } startingEnd{mStarting};
    KyResult result = ChooseAddress(macText);
    if (result.IsFailure()) {
        MakeStandardXml();
        return result;
    }
    mContext.mac = mAdapter.mac;
    if (mAddress.ip != mAdapter.addresses.front().ip) {
        // A further device on the same adapter needs an identity of its own: a locally
        // administered MAC address ending in the low 16 bits of its IP address.
        mContext.mac[0] = static_cast<uint8_t>((mContext.mac[0] | 0x02) & ~0x01);
        ky::base::StoreBig16(&mContext.mac[4], static_cast<uint16_t>(mAddress.ip));
    }
    {
        std::lock_guard<std::mutex> network(mContext.networkMutex);
        mContext.current = mAddress;
    }
    mContext.streamCount = static_cast<uint32_t>(mSources.size());
    mContext.rtpEnabled = mRtpEnabled;
    mStatistics.Reset();
    mPrivilege.Release();
    mChannel = std::make_unique<SoftMessageChannel>(mMap, mPrivilege, mStatistics, mContext);
    if (mTcpEnabled) {
        mTcp = std::make_unique<SoftTcpServer>();  // listens once the GVCP server runs
        mChannel->SetTcp(mTcp.get());
    }
    result = mChannel->Open(mAddress.ip);
    mContext.messageSourcePort = mChannel->SourcePort();
    if (result.IsOK()) {
        result = SoftBootstrap(mMap, mContext).AddRegisters();
    }
    if (result.IsOK()) {
        mMap.SetRunning(true);
        result = mUserSets.AddRegisters(mMap, mUserSetCount, mUserSetNotify);
    }
    if (result.IsOK()) {
        result = mSerialPort.AddRegisters(mMap);
    }
    if (result.IsOK()) {
        const size_t firstCustom = mMap.GetRegisterCount();
        SoftRegisterFactory factory(mMap);
        result = NotifyCreation("OnCreateCustomRegisters", [&](IKySoftDeviceGEVEventSink *sink) {
            sink->OnCreateCustomRegisters(&mOwner, &factory);
        });
        for (size_t i = 0; i < mSources.size() && result.IsOK(); ++i) {
            result = ky::base::GuardedWithReason(SoftDeviceLog(), "CreateRegisters",
                                                 [&] { mSources[i]->CreateRegisters(&mMap, &factory); });
        }
        // The XML names each feature once: the features of the first stream channel describe
        // it; further channels are reached through their register blocks.
        mStreamTables.clear();
        if (result.IsOK() && !mSources.empty()) {
            mStreamTables.push_back(SoftStreamFeatures::Make(0, *mSources.front()));
        }
        if (result.IsOK()) {
            result = MakeXml();
        }
        if (result.IsOK()) {
            result = StartStreams();
        }
        if (result.IsOK()) {
            result = SoftBootstrap(mMap, mContext).AddXml(mZipXml);
        }
        if (result.IsOK()) {
            mUserSets.Begin(mMap, firstCustom);
        }
    }
    if (result.IsOK()) {
        mHandler = std::make_unique<SoftGvcpHandler>(mMap, mPrivilege, mStatistics, *this, mContext.mac);
        mServer = std::make_unique<SoftGvcpServer>(*mHandler, mMap, mPrivilege, mStatistics, mContext, *this);
        SoftGvcpServer::Setup setup;
        setup.adapterIndex = mAdapter.index;
        setup.peerIndex = mAdapter.peerIndex;
        setup.address = mAddress;
        for (const SoftNetworkConfig &address : mAdapter.addresses) {
            setup.adapterAddresses.push_back(address.ip);
        }
        result = mServer->Start(setup);
    }
    if (result.IsOK() && mTcp) {
        result = mTcp->Start(mAddress.ip, GVCP_PORT,
                             [this](const uint8_t *data, size_t size, const SoftPeer &peer,
                                    const std::shared_ptr<ky::gev::TcpPacketSocket> &link) {
                                 mServer->DispatchTcp(data, size, peer, link);
                             });
    }
    if (result.IsFailure()) {
        Teardown();
        MakeStandardXml();
        return result;
    }
    mRunning = true;
    const std::string mac = SoftNetAdapter::FormatMac(mContext.mac);
    Notify("OnControlChannelStart", [&](IKySoftDeviceGEVEventSink *sink) {
        sink->OnControlChannelStart(&mOwner, KyString(mac), KyString(ky::base::FormatIPv4(mAddress.ip)),
                                    KyString(ky::base::FormatIPv4(mAddress.mask)),
                                    KyString(ky::base::FormatIPv4(mAddress.gateway)), GVCP_PORT);
    });
    return KyResult(KY_OK);
}

// The channels take their buffers and open their senders; their registers join the map.
KyResult KySoftDeviceGEV::Impl::StartStreams()
{
    for (size_t i = 0; i < mSources.size(); ++i) {
        auto stream = std::make_unique<SoftStreamChannel>(static_cast<uint32_t>(i), *mSources[i], mContext);
        stream->SetEventChannel(mChannel.get());  // ends after the streams (Teardown)
        if (mTcp) {
            SoftTcpServer *tcp = mTcp.get();  // ends after the streams (Teardown)
            stream->SetTcpLinkLookup([tcp](uint32_t ip, uint16_t port) { return tcp->FindSocket(ip, port); });
        }
        KyResult result = stream->Begin(mAddress.ip, mStreamTimestamping);
        if (result.IsOK()) {
            result = SoftStreamRegisters(mMap, *stream).AddRegisters();
        }
        if (result.IsOK()) {
            result = SoftChunkRegisters(mMap, *stream).AddRegisters(SupportedChunks(*mSources[i]));
        }
        if (i < mTestDrops.size()) {
            stream->SetTestDropFraction(mTestDrops[i].fraction, mTestDrops[i].seed);
        }
        mStreams.push_back(std::move(stream));
        if (result.IsFailure()) {
            return result;
        }
    }
    return KyResult(KY_OK);
}

void KySoftDeviceGEV::Impl::PacketResend(uint16_t channel, uint64_t blockId, uint32_t firstPacketId,
                                         uint32_t lastPacketId)
{
    // Only GVCP threads call this, and they are joined before the streams end.
    if (channel < mStreams.size()) {
        mStreams[channel]->Resend(blockId, firstPacketId, lastPacketId);
    }
}

uint32_t KySoftDeviceGEV::Impl::StreamDestination(uint16_t channel)
{
    // Only GVCP threads call this, like PacketResend.
    return channel < mStreams.size() ? mStreams[channel]->DestinationIp() : 0;
}

// The standard features, then those the program declares through the GenApi factory. The XML is
// loaded once here so that a dangling reference, a cycle or a bad formula fails Start with its
// description instead of reaching a client.
KyResult KySoftDeviceGEV::Impl::MakeXml()
{
    SoftStandardFeatures::Options options;
    options.streamCount = mContext.streamCount;
    options.userSetCount = mUserSetCount;
    options.rtp = mRtpEnabled;
    for (IKyStreamingChannelSource *source : mSources) {
        ky::base::Guarded(SoftDeviceLog(), "IsPayloadTypeSupported", [&] {
            options.multiPart = options.multiPart || source->IsPayloadTypeSupported(KyPayloadTypeMultiPart);
        });
    }
    SoftFeatureTable standard = SoftStandardFeatures::Make(options);
    std::vector<SoftFeatureTable *> deviceTables = {&standard};
    for (SoftFeatureTable &table : mStreamTables) {
        deviceTables.push_back(&table);
    }
    SoftGenApiFactory factory(deviceTables);
    KyResult result = NotifyCreation("OnCreateCustomGenApiFeatures", [&](IKySoftDeviceGEVEventSink *sink) {
        sink->OnCreateCustomGenApiFeatures(&mOwner, &factory);
    });
    for (size_t i = 0; i < mSources.size() && result.IsOK(); ++i) {
        result = ky::base::GuardedWithReason(SoftDeviceLog(), "CreateGenApiFeatures",
                                             [&] { mSources[i]->CreateGenApiFeatures(&mMap, &factory); });
    }
    if (result.IsFailure()) {
        return result;
    }
    std::vector<const SoftFeatureTable *> tables(deviceTables.begin(), deviceTables.end());
    tables.push_back(&factory.Table());
    std::string xml;
    result = SoftDeviceXml::Render(mInfo, tables, xml);
    if (result.IsOK()) {
        KyGenParameterArray check;
        result = check.Load(KyString(xml), nullptr);
    }
    if (result.IsFailure()) {
        SoftLog("SoftDevice::Start", "GenICam XML: %s", result.GetDescription().GetAscii());
        return result;
    }
    mContext.xml = std::move(xml);
    mInfo.SetXmlCreated(true);
    mXmlMade = true;
    return result;
}

// A Start that fails before its XML is made still leaves one: the standard features alone.
void KySoftDeviceGEV::Impl::MakeStandardXml()
{
    if (mXmlMade) {
        return;
    }
    SoftStandardFeatures::Options options;
    options.streamCount = static_cast<uint32_t>(mSources.size());
    options.userSetCount = mUserSetCount;
    options.rtp = mRtpEnabled;
    const SoftFeatureTable standard = SoftStandardFeatures::Make(options);
    // The standard table alone declares no name twice; a failure here is a fault of this library.
    const KyResult result = SoftDeviceXml::Render(mInfo, {&standard}, mContext.xml);
    if (result.IsFailure()) {
        SoftLog("SoftDevice", "standard GenICam XML: %s", result.GetDescription().GetAscii());
    }
    mInfo.SetXmlCreated(true);
    mXmlMade = true;
}

void KySoftDeviceGEV::Impl::Teardown()
{
    if (mTcp) {
        mTcp->Stop();  // no command comes in over TCP after this
    }
    if (mServer) {
        mServer->Stop();
    }
    // The channels are ended without the lock: their threads (a source's hooks) may call the
    // device's setters meanwhile, and the ending joins them.
    std::vector<std::unique_ptr<SoftStreamChannel>> streams;
    {
        std::lock_guard<std::recursive_mutex> lock(mLifeMutex);
        streams.swap(mStreams);
    }
    for (auto &stream : streams) {
        stream->End();
    }
    streams.clear();
    std::lock_guard<std::recursive_mutex> lock(mLifeMutex);
    if (mChannel) {
        mChannel->Close();
    }
    RemoveAppliedForcedIp();
    mMap.Clear();
    mServer.reset();
    mHandler.reset();
    mChannel.reset();
    mTcp.reset();
}

void KySoftDeviceGEV::Impl::WaitStopped(std::unique_lock<std::recursive_mutex> &lock)
{
    mStopped.wait(lock, [this] { return mStopper == std::thread::id(); });
}

// Stop joins the device's threads, so it is refused on them and inside its own notifications,
// and it holds the life lock only while it changes the device's state: the threads it joins
// may be waiting for that lock (a sink or a source calling a setter). A second Stop waits for
// the first one to end and then finds the device stopped.
KyResult KySoftDeviceGEV::Impl::Stop()
{
    if (IsDeviceThreadOf(mContext)) {
        return KyResult(KY_THREAD_ERROR, "Stop cannot be called from a device thread (a sink or a source)");
    }
    std::unique_lock<std::recursive_mutex> lock(mLifeMutex);
    if (mStopper == std::this_thread::get_id()) {
        return KyResult(KY_STATE_ERROR, "the device is stopping already (Stop inside its own notification)");
    }
    WaitStopped(lock);
    if (!mRunning) {
        return KyResult(KY_STATE_ERROR, "the device is not running");
    }
    if (mServer && mServer->IsServerThread()) {
        // The device threads are joined here, which they cannot do to themselves.
        return KyResult(KY_THREAD_ERROR, "Stop cannot be called from a device thread (an event sink)");
    }
    for (const auto &stream : mStreams) {
        if (stream->IsChannelThread()) {
            return KyResult(KY_THREAD_ERROR,
                            "Stop cannot be called from a stream channel's thread (a source)");
        }
    }
    mStopper = std::this_thread::get_id();
    lock.unlock();
    if (mTcp) {
        mTcp->Stop();
    }
    if (mServer) {
        mServer->Stop();  // no device thread runs after this
    }
    if (mPrivilege.HasController()) {
        mPrivilege.Release();
        mStatistics.Count(SoftDeviceStatistics::SessionsClosed);
        Notify("OnApplicationDisconnect",
               [&](IKySoftDeviceGEVEventSink *sink) { sink->OnApplicationDisconnect(&mOwner); });
    }
    Notify("OnControlChannelStop",
           [&](IKySoftDeviceGEVEventSink *sink) { sink->OnControlChannelStop(&mOwner); });
    mRunning = false;
    Teardown();
    lock.lock();
    mStopper = std::thread::id();
    mStopped.notify_all();
    return KyResult(KY_OK);
}

DiscoveryInfo KySoftDeviceGEV::Impl::Identity()
{
    const SoftDeviceInfo::Identity identity = mInfo.Snapshot();
    DiscoveryInfo info;
    info.specMajor = 2;
    info.specMinor = 0;
    info.deviceMode = DEVICE_MODE_BIG_ENDIAN_MASK | DEVICE_MODE_CHARSET_UTF8;
    info.mac = mContext.mac;
    info.ipConfigOptions = IP_CONFIG_PERSISTENT_MASK | IP_CONFIG_DHCP_MASK | IP_CONFIG_LLA_MASK;
    {
        std::lock_guard<std::mutex> lock(mContext.networkMutex);
        info.ipConfigCurrent = mContext.persistent.ipConfig;
        info.currentIp = mContext.current.ip;
        info.currentSubnetMask = mContext.current.mask;
        info.currentGateway = mContext.current.gateway;
        info.userDefinedName = mContext.persistent.userName;
    }
    info.manufacturerName = identity.manufacturer;
    info.modelName = identity.model;
    info.deviceVersion = identity.version;
    info.manufacturerInfo = identity.manufacturerInfo;
    info.serialNumber = identity.serial;
    return info;
}

void KySoftDeviceGEV::Impl::ControlChanged(SoftControlPrivilege::Change change, const SoftPeer &peer,
                                           KyAccessType access)
{
    if (change == SoftControlPrivilege::Change::Connected) {
        const KyString ip(ky::base::FormatIPv4(peer.ip));
        Notify("OnApplicationConnect", [&](IKySoftDeviceGEVEventSink *sink) {
            sink->OnApplicationConnect(&mOwner, ip, peer.port, access);
        });
    } else if (change == SoftControlPrivilege::Change::Disconnected) {
        ResetChannels();
        Notify("OnApplicationDisconnect",
               [&](IKySoftDeviceGEVEventSink *sink) { sink->OnApplicationDisconnect(&mOwner); });
    }
}

// Without a controller nobody receives events or streams: their destinations are cleared, as a
// camera does when its control channel closes.
void KySoftDeviceGEV::Impl::ResetChannels()
{
    std::vector<uint32_t> addresses = {MCP_OFFSET, MCDA_OFFSET};
    for (uint32_t channel = 0; channel < mContext.streamCount; ++channel) {
        addresses.push_back(StreamChannelOffset(SCP0_OFFSET, channel));
        addresses.push_back(StreamChannelOffset(SCDA0_OFFSET, channel));
    }
    for (uint32_t address : addresses) {
        if (SoftRegister *reg = mMap.Find(address)) {
            reg->SetRawU32(0);
        }
    }
    for (auto &stream : mStreams) {
        stream->Close();
    }
}

uint32_t KySoftDeviceGEV::Impl::ForceIp(const SoftNetworkConfig &config, SoftNetworkConfig &replaced)
{
    const bool restart = config.ip == 0 && config.mask == 0 && config.gateway == 0;
    {
        std::lock_guard<std::mutex> lock(mContext.networkMutex);
        mContext.current = restart ? mAddress : config;
    }
    uint32_t answerOn = 0;
    replaced = SoftNetworkConfig{};
    {
        std::lock_guard<std::mutex> lock(mForcedMutex);
        const SoftNetworkConfig previous = mAppliedForced;
        mAppliedForced = SoftNetworkConfig{};
        if (!restart && mApplyForcedIp && config.ip != mAddress.ip) {
            SoftNetworkConfig wanted = config;
            if (wanted.mask == 0) {
                wanted.mask = 0xFFFFFFFF;
            }
            // An address still on the adapter (given before, and not yet dropped) is taken again
            // as it is; with another mask it is added again.
            auto on = std::find_if(mForcedOnAdapter.begin(), mForcedOnAdapter.end(),
                                   [&](const SoftNetworkConfig &a) { return a.ip == wanted.ip; });
            if (on != mForcedOnAdapter.end() && on->mask != wanted.mask) {
                RemoveForcedAddress(*on);
                on = mForcedOnAdapter.end();
            }
            if (on != mForcedOnAdapter.end()) {
                mAppliedForced = *on;
                answerOn = wanted.ip;
            } else {
                KyResult result = SoftNetAdapter::ChangeAddress(mAdapter.index, wanted, true);
                if (result.IsOK()) {
                    mForcedOnAdapter.push_back(wanted);
                    mAppliedForced = wanted;
                    answerOn = wanted.ip;
                } else {
                    SoftLog("SoftDevice::ForceIp", "%s", result.GetDescription().GetAscii());
                }
            }
        }
        // The address given before stays until the acknowledge has left from it.
        if (previous.ip != 0 && previous.ip != mAppliedForced.ip) {
            replaced = previous;
        }
    }
    Notify("OnDeviceResetNetwork",
           [&](IKySoftDeviceGEVEventSink *sink) { sink->OnDeviceResetNetwork(&mOwner); });
    return answerOn;
}

void KySoftDeviceGEV::Impl::DropForcedIp(const SoftNetworkConfig &replaced)
{
    std::lock_guard<std::mutex> lock(mForcedMutex);
    if (replaced.ip == mAppliedForced.ip) {
        return;  // a later FORCEIP gave it again
    }
    const auto on = std::find_if(mForcedOnAdapter.begin(), mForcedOnAdapter.end(),
                                 [&](const SoftNetworkConfig &a) { return a.ip == replaced.ip; });
    if (on != mForcedOnAdapter.end()) {
        RemoveForcedAddress(*on);
    }
}

void KySoftDeviceGEV::Impl::RemoveForcedAddress(const SoftNetworkConfig &address)
{
    const SoftNetworkConfig removed = address;  // `address` may be an element of the list
    mForcedOnAdapter.erase(std::remove_if(mForcedOnAdapter.begin(), mForcedOnAdapter.end(),
                                          [&](const SoftNetworkConfig &a) { return a.ip == removed.ip; }),
                           mForcedOnAdapter.end());
    const KyResult result = SoftNetAdapter::ChangeAddress(mAdapter.index, removed, false);
    if (result.IsFailure()) {
        SoftLog("SoftDevice::ForceIp", "removing the forced address: %s", result.GetDescription().GetAscii());
    }
}

void KySoftDeviceGEV::Impl::RemoveAppliedForcedIp()
{
    std::lock_guard<std::mutex> lock(mForcedMutex);
    while (!mForcedOnAdapter.empty()) {
        RemoveForcedAddress(mForcedOnAdapter.back());
    }
    mAppliedForced = SoftNetworkConfig{};
}
