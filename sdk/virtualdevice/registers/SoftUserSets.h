// SoftUserSets: the user sets of a software device. The device's custom registers (those made in
// OnCreateCustomRegisters) are saved and loaded through the registers behind UserSetSelector,
// UserSetLoad, UserSetSave and UserSetDefault. Set 0 (Default) is what the registers hold when
// the device has started and cannot be overwritten. Saved sets live as long as the device object.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include "registers/SoftDeviceRegisters.h"
#include "registers/SoftRegisterMap.h"
#include "registers/SoftRegisterStore.h"

class IKyUserSetNotify;

namespace ky::soft {

class SoftUserSets
{
public:
    // Called by Start, with the device's registers in place: adds the user-set registers.
    KyResult AddRegisters(SoftRegisterMap &map, uint32_t count, IKyUserSetNotify *notify);
    // Marks the registers added since `firstIndex` as those user sets keep, takes the default set
    // and loads the start-up set (UserSetDefault) when it was saved.
    void Begin(SoftRegisterMap &map, size_t firstIndex);

    KyResult Save(uint32_t index);
    KyResult Load(uint32_t index);

private:
    KyResult Run(uint32_t index, SoftRegisterStore::Mode mode);
    void Notify(KyUserSetState state, uint32_t index);

    std::recursive_mutex mMutex;
    std::map<uint32_t, SoftRegisterStore::Contents> mSets;
    std::vector<SoftRegister *> mRegisters;
    SoftRegister *mSelector = nullptr;
    SoftRegister *mStartup = nullptr;
    SoftRegister *mLocked = nullptr;
    uint32_t mCount = 0;
    std::atomic<uint32_t> mStartupIndex{0};
    IKyUserSetNotify *mNotify = nullptr;
};

}  // namespace ky::soft
