// SoftRegisterMap: the device's registers by address and in creation order. Registers are added
// while the device starts (before its threads run) and removed when it stops, so lookups from
// the device threads need no lock; the program's Lock/Release keeps Stop from removing them.
// Holders share the lock; a Lock taken while the registers are being removed waits for the
// removal to end (the timed form at most its time-out) and then finds the device stopped.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "ky/virtualdevice/IKyRegisterMap.h"
#include "registers/SoftRegister.h"

namespace ky::soft {

class SoftRegisterMap : public IKyRegisterMap
{
public:
    size_t GetRegisterCount() override { return mByIndex.size(); }
    IKyRegister *GetRegisterByIndex(size_t aIndex) override;
    IKyRegister *GetRegisterByAddress(uint32_t aAddress) override;
    KyResult Lock() override;
    KyResult Lock(uint32_t aTimeout) override;
    void Release() override;

    // KY_INVALID_PARAMETER (with the reason) for an unaligned, wrapping or overlapping range.
    KyResult Add(std::unique_ptr<SoftRegister> reg);
    // Makes and adds a device register (no context); null, with the reason OR-ed into `status`,
    // when Add refuses it.
    SoftRegister *AddNew(const KyString &name, uint32_t address, uint32_t length, KyGenAccessMode mode,
                         bool arrayOfBytes, KyResult &status);
    SoftRegister *Find(uint32_t address);
    // The register whose bytes include this address, or null.
    SoftRegister *FindContaining(uint32_t address);

    void SetRunning(bool running);
    // Waits until no Lock is held, then removes every register; Locks asked for meanwhile wait
    // until it is done. A lock still held after the clear wait (a Lock without its Release) is
    // logged, and the registers are set aside instead of freed: they go with the last Release or
    // with the map.
    void Clear();
    void SetClearWait(std::chrono::milliseconds wait) { mClearWait = wait; }

private:
    KyResult TakeLock();  // with mLockMutex held, no clear in progress

    std::map<uint32_t, std::unique_ptr<SoftRegister>> mByAddress;
    std::vector<SoftRegister *> mByIndex;
    std::mutex mLockMutex;
    std::condition_variable mLockChanged;
    int mLocks = 0;
    bool mRunning = false;
    bool mClearing = false;  // Clear is waiting for the holders or removing the registers
    std::chrono::milliseconds mClearWait{3000};
    std::vector<std::unique_ptr<SoftRegister>> mSetAside;  // removed while still locked
};

}  // namespace ky::soft
