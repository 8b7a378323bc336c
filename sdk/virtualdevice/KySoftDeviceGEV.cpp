#include "ky/virtualdevice/KySoftDeviceGEV.h"

#include <algorithm>

#include "SoftDeviceImpl.h"
#include "SoftLog.h"

using namespace ky::soft;

namespace {

constexpr uint32_t MAX_USER_SETS = 256;

}  // namespace

KySoftDeviceGEV::KySoftDeviceGEV() : mImpl(std::make_unique<Impl>(*this)) { }

KySoftDeviceGEV::~KySoftDeviceGEV()
{
    // Also waits for a Stop in progress on another thread; a device that is not running
    // answers KY_STATE_ERROR, which is no fault here.
    const KyResult result = mImpl->Stop();
    if (result.IsFailure() && result.GetCode() != KY_STATE_ERROR) {
        SoftLog("SoftDevice", "stopping the destroyed device: %s", result.GetDescription().GetAscii());
    }
}

KyResult KySoftDeviceGEV::AddStream(IKyStreamingChannelSource *aSource)
{
    std::lock_guard<std::recursive_mutex> lock(mImpl->mLifeMutex);
    if (aSource == nullptr) {
        return KyResult(KY_INVALID_PARAMETER, "no streaming channel source given");
    }
    if (mImpl->mRunning) {
        return KyResult(KY_STATE_ERROR, "streams are added before the device starts");
    }
    if (mImpl->mSources.size() >= MAX_STREAM_CHANNELS) {
        return KyResult(KY_NOT_SUPPORTED,
                        KyString("a device has at most ") + std::to_string(MAX_STREAM_CHANNELS) + " streams");
    }
    mImpl->mSources.push_back(aSource);
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::SetStreamTestDropFraction(uint32_t aChannel, double aFraction, uint32_t aSeed)
{
    std::lock_guard<std::recursive_mutex> lock(mImpl->mLifeMutex);
    if (!(aFraction >= 0.0 && aFraction <= 1.0)) {
        return KyResult(KY_INVALID_PARAMETER, "the drop fraction must be from 0 to 1");
    }
    if (aChannel >= mImpl->mSources.size()) {
        return KyResult(KY_INVALID_PARAMETER, KyString("no stream channel ") + std::to_string(aChannel));
    }
    if (mImpl->mTestDrops.size() <= aChannel) {
        mImpl->mTestDrops.resize(aChannel + 1);
    }
    mImpl->mTestDrops[aChannel] = {aFraction, aSeed};
    if (aChannel < mImpl->mStreams.size()) {
        mImpl->mStreams[aChannel]->SetTestDropFraction(aFraction, aSeed);
    }
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::SetUserSetCount(uint32_t aCount)
{
    std::lock_guard<std::recursive_mutex> lock(mImpl->mLifeMutex);
    if (aCount > MAX_USER_SETS) {
        return KyResult(KY_INVALID_PARAMETER, KyString("at most ") + std::to_string(MAX_USER_SETS) +
                                                  " user sets, not " + std::to_string(aCount));
    }
    if (mImpl->mRunning) {
        return KyResult(KY_STATE_ERROR, "the user set count is set before the device starts");
    }
    mImpl->mUserSetCount = aCount;
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::SetUserSetNotify(IKyUserSetNotify *aUserSetNotify)
{
    std::lock_guard<std::recursive_mutex> lock(mImpl->mLifeMutex);
    mImpl->mUserSetNotify = aUserSetNotify;
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::SetTCPTransportEnabled(bool aEnabled)
{
    std::lock_guard<std::recursive_mutex> lock(mImpl->mLifeMutex);  // Start reads it
    mImpl->mTcpEnabled = aEnabled;
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::SetRTPProtocolEnabled(bool aEnabled)
{
    std::lock_guard<std::recursive_mutex> lock(mImpl->mLifeMutex);  // Start reads it
    mImpl->mRtpEnabled = aEnabled;
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::SetStreamTimestamping(bool aEnabled)
{
    mImpl->mStreamTimestamping = aEnabled;
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::SetActionHandler(KyVirtualDeviceLib::IActionHandler *aActionHandler)
{
    std::lock_guard<std::recursive_mutex> lock(mImpl->mLifeMutex);
    mImpl->mActionHandler = aActionHandler;
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::RegisterEventSink(IKySoftDeviceGEVEventSink *aEventSink)
{
    std::lock_guard<std::mutex> lock(mImpl->mSinkMutex);
    auto &sinks = mImpl->mSinks;
    if (aEventSink == nullptr || std::find(sinks.begin(), sinks.end(), aEventSink) != sinks.end()) {
        return KyResult(KY_INVALID_PARAMETER, "null or already registered event sink");
    }
    sinks.push_back(aEventSink);
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::UnregisterEventSink(IKySoftDeviceGEVEventSink *aEventSink)
{
    std::lock_guard<std::mutex> lock(mImpl->mSinkMutex);
    auto &sinks = mImpl->mSinks;
    auto found = std::find(sinks.begin(), sinks.end(), aEventSink);
    if (aEventSink == nullptr || found == sinks.end()) {
        return KyResult(KY_INVALID_PARAMETER, "null or unregistered event sink");
    }
    sinks.erase(found);
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::Start(const KyString &aMACAddress) { return mImpl->Start(aMACAddress.str()); }

KyResult KySoftDeviceGEV::Stop() { return mImpl->Stop(); }

// Both also inside Start, so that its callbacks set the identity and the XML header and declare
// features on the registers already made.
IKySoftDeviceGEVInfo *KySoftDeviceGEV::GetInfo()
{
    return mImpl->mRunning || mImpl->mStarting ? &mImpl->mInfo : nullptr;
}

IKyRegisterMap *KySoftDeviceGEV::GetRegisterMap()
{
    return mImpl->mRunning || mImpl->mStarting ? &mImpl->mMap : nullptr;
}

IKySoftDeviceGEVStatistics *KySoftDeviceGEV::GetStatistics()
{
    return mImpl->mRunning ? &mImpl->mStatistics : nullptr;
}

IKyMessageChannel *KySoftDeviceGEV::GetMessagingChannel()
{
    return mImpl->mRunning ? mImpl->mChannel.get() : nullptr;
}

KyResult KySoftDeviceGEV::GetGenICamXMLFile(KyString &aXMLFile) const
{
    if (!mImpl->mXmlMade) {
        return KyResult(KY_STATE_ERROR, "the GenICam XML file is made by Start");
    }
    aXMLFile = KyString(mImpl->mContext.xml);
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::SetIPAddress(const KyString &aIPAddress)
{
    std::lock_guard<std::recursive_mutex> lock(mImpl->mLifeMutex);
    uint32_t ip = 0;
    if (!aIPAddress.IsEmpty() && !SoftNetAdapter::ParseIp(aIPAddress.str(), ip)) {
        return KyResult(KY_INVALID_PARAMETER, KyString("not an IPv4 address: ") + aIPAddress);
    }
    if (mImpl->mRunning) {
        return KyResult(KY_STATE_ERROR, "the address is chosen before the device starts");
    }
    mImpl->mPreferredIp = aIPAddress.str();
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::SetApplyForcedIP(bool aEnabled)
{
    std::lock_guard<std::recursive_mutex> lock(mImpl->mLifeMutex);
    if (mImpl->mRunning) {
        return KyResult(KY_STATE_ERROR, "set before the device starts");
    }
    mImpl->mApplyForcedIp = aEnabled;
    return KyResult(KY_OK);
}

KyResult KySoftDeviceGEV::SetGenICamXMLZipped(bool aZipped)
{
    std::lock_guard<std::recursive_mutex> lock(mImpl->mLifeMutex);
    if (mImpl->mRunning) {
        return KyResult(KY_STATE_ERROR, "set before the device starts");
    }
    mImpl->mZipXml = aZipped;
    return KyResult(KY_OK);
}
