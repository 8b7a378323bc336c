#include "registers/SoftRegisterMap.h"

#include "gev/Gvcp.h"
#include "SoftLog.h"

namespace ky::soft {

IKyRegister *SoftRegisterMap::GetRegisterByIndex(size_t aIndex)
{
    return aIndex < mByIndex.size() ? mByIndex[aIndex] : nullptr;
}

IKyRegister *SoftRegisterMap::GetRegisterByAddress(uint32_t aAddress) { return Find(aAddress); }

SoftRegister *SoftRegisterMap::Find(uint32_t address)
{
    auto found = mByAddress.find(address);
    return found == mByAddress.end() ? nullptr : found->second.get();
}

SoftRegister *SoftRegisterMap::FindContaining(uint32_t address)
{
    auto after = mByAddress.upper_bound(address);
    if (after == mByAddress.begin()) {
        return nullptr;
    }
    SoftRegister *reg = std::prev(after)->second.get();
    return address - reg->GetAddress() < reg->GetLength() ? reg : nullptr;
}

KyResult SoftRegisterMap::Add(std::unique_ptr<SoftRegister> reg)
{
    const uint64_t begin = reg->GetAddress();
    const uint64_t end = begin + reg->GetLength();
    const std::string name = reg->GetName().str();
    if (begin % ky::gev::MEMORY_ALIGNMENT != 0) {
        return KyResult(KY_INVALID_PARAMETER, KyString("[") + name + "] address is not a multiple of 4");
    }
    if (end > 0x100000000ULL) {
        return KyResult(KY_INVALID_PARAMETER, KyString("[") + name + "] runs past the 32-bit address space");
    }
    auto after = mByAddress.lower_bound(reg->GetAddress());
    if (after != mByAddress.end() && after->first < end) {
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("[") + name + "] overlaps " + after->second->GetName());
    }
    if (after != mByAddress.begin()) {
        SoftRegister *before = std::prev(after)->second.get();
        if (before->GetAddress() + static_cast<uint64_t>(before->GetLength()) > begin) {
            return KyResult(KY_INVALID_PARAMETER, KyString("[") + name + "] overlaps " + before->GetName());
        }
    }
    mByIndex.push_back(reg.get());
    mByAddress.emplace(reg->GetAddress(), std::move(reg));
    return KyResult(KY_OK);
}

// Holders share the lock and never wait for each other. What they wait for is a clear in
// progress (the map's registers being removed as the device stops): until it ends, or for at
// most aTimeout milliseconds.
KyResult SoftRegisterMap::Lock(uint32_t aTimeout)
{
    std::unique_lock<std::mutex> lock(mLockMutex);
    if (!mLockChanged.wait_for(lock, std::chrono::milliseconds(aTimeout), [this] { return !mClearing; })) {
        return KyResult(KY_TIMEOUT, "the register map is being cleared");
    }
    return TakeLock();
}

KyResult SoftRegisterMap::Lock()
{
    std::unique_lock<std::mutex> lock(mLockMutex);
    mLockChanged.wait(lock, [this] { return !mClearing; });
    return TakeLock();
}

KyResult SoftRegisterMap::TakeLock()
{
    if (!mRunning) {
        return KyResult(KY_STATE_ERROR, "the device is not running");
    }
    ++mLocks;
    return KyResult(KY_OK);
}

void SoftRegisterMap::Release()
{
    std::lock_guard<std::mutex> lock(mLockMutex);
    if (mLocks > 0) {
        --mLocks;
    }
    if (mLocks == 0) {
        mSetAside.clear();
    }
    mLockChanged.notify_all();
}

void SoftRegisterMap::SetRunning(bool running)
{
    std::lock_guard<std::mutex> lock(mLockMutex);
    mRunning = running;
}

void SoftRegisterMap::Clear()
{
    std::unique_lock<std::mutex> lock(mLockMutex);
    mRunning = false;
    mClearing = true;
    if (!mLockChanged.wait_for(lock, mClearWait, [this] { return mLocks == 0; })) {
        SoftLog("SoftDevice::Stop",
                "the register map is still locked after %lld ms (a Lock without Release); its registers "
                "are removed from the map and freed with the last Release",
                static_cast<long long>(mClearWait.count()));
        for (auto &entry : mByAddress) {
            mSetAside.push_back(std::move(entry.second));
        }
    }
    mByIndex.clear();
    mByAddress.clear();
    mClearing = false;
    mLockChanged.notify_all();
}

SoftRegister *SoftRegisterMap::AddNew(const KyString &name, uint32_t address, uint32_t length,
                                      KyGenAccessMode mode, bool arrayOfBytes, KyResult &status)
{
    auto reg = std::make_unique<SoftRegister>(name, address, length, mode, arrayOfBytes, nullptr);
    SoftRegister *raw = reg.get();
    KyResult result = Add(std::move(reg));
    if (result.IsFailure()) {
        status |= result;
        return nullptr;
    }
    return raw;
}

}  // namespace ky::soft
