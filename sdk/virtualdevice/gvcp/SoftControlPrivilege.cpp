#include "gvcp/SoftControlPrivilege.h"

#include "ky/device/KyGevConstants.h"

namespace ky::soft {

using namespace ky::gev;

namespace {

constexpr uint32_t CCP_ACCESS_MASK = CCP_EXCLUSIVE_MASK | CCP_CONTROL_MASK;

}  // namespace

bool SoftControlPrivilege::MayRead(const SoftPeer &peer)
{
    std::lock_guard<std::mutex> lock(mMutex);
    return !mHeld || mController == peer || (mCcp & CCP_EXCLUSIVE_MASK) == 0;
}

bool SoftControlPrivilege::MayWrite(const SoftPeer &peer)
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mHeld && mController == peer;
}

bool SoftControlPrivilege::MayRequestResend(const SoftPeer &peer, uint32_t streamDestinationIp)
{
    std::lock_guard<std::mutex> lock(mMutex);
    return !mHeld || peer.ip == mController.ip ||
           (streamDestinationIp != 0 && peer.ip == streamDestinationIp);
}

Status SoftControlPrivilege::WriteCcp(const SoftPeer &peer, uint32_t value, Change &change)
{
    std::lock_guard<std::mutex> lock(mMutex);
    change = Change::None;
    const bool wantsControl = (value & CCP_ACCESS_MASK) != 0;
    if (mHeld && mController != peer) {
        return Status::ACCESS_DENIED;
    }
    if (mHeld) {
        if (wantsControl) {
            change = (value & CCP_ACCESS_MASK) != (mCcp & CCP_ACCESS_MASK) ? Change::Updated : Change::None;
            mCcp = value & CCP_ACCESS_MASK;
        } else {
            mHeld = false;
            mCcp = 0;
            change = Change::Disconnected;
        }
    } else if (wantsControl) {
        mHeld = true;
        mController = peer;
        mCcp = value & CCP_ACCESS_MASK;
        change = Change::Connected;
    }
    mLastHeard = Clock::now();
    return Status::SUCCESS;
}

void SoftControlPrivilege::Heard(const SoftPeer &peer)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mHeld && mController == peer) {
        mLastHeard = Clock::now();
    }
}

bool SoftControlPrivilege::ExpireIfSilent(std::chrono::milliseconds timeout)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mHeld || Clock::now() - mLastHeard <= timeout) {
        return false;
    }
    mHeld = false;
    mCcp = 0;
    return true;
}

void SoftControlPrivilege::Release()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mHeld = false;
    mCcp = 0;
}

bool SoftControlPrivilege::HasController()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mHeld;
}

SoftPeer SoftControlPrivilege::Controller()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mController;
}

KyAccessType SoftControlPrivilege::Access()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mHeld) {
        return KyAccessOpen;
    }
    return (mCcp & CCP_EXCLUSIVE_MASK) ? KyAccessExclusive : KyAccessControl;
}

}  // namespace ky::soft
