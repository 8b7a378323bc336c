#include "registers/SoftUserSets.h"

#include "ky/virtualdevice/IKyUserSetNotify.h"
#include "ky/Guarded.h"
#include "SoftLog.h"

namespace ky::soft {

namespace {

KyResult Refused(const std::string &what, uint32_t code = KY_STATE_ERROR)
{
    return KyResult(code, KyString(what));
}

}  // namespace

KyResult SoftUserSets::AddRegisters(SoftRegisterMap &map, uint32_t count, IKyUserSetNotify *notify)
{
    // The load and save checks take mMutex with their register's lock held: so no register's lock
    // is taken here under mMutex (one lock order).
    {
        std::lock_guard<std::recursive_mutex> lock(mMutex);
        mCount = count;
        mNotify = notify;
        mRegisters.clear();
    }
    auto add = [&map](const char *name, uint32_t address, KyGenAccessMode mode) -> SoftRegister * {
        auto reg = std::make_unique<SoftRegister>(KyString(name), address, 4, mode, false, nullptr);
        SoftRegister *raw = reg.get();
        return map.Add(std::move(reg)).IsOK() ? raw : nullptr;
    };
    mSelector = add("UserSetSelector", USER_SET_SELECTOR_OFFSET, KyGenAccessModeReadWrite);
    mStartup = add("UserSetDefault", USER_SET_DEFAULT_OFFSET, KyGenAccessModeReadWrite);
    SoftRegister *load = add("UserSetLoad", USER_SET_LOAD_OFFSET, KyGenAccessModeWriteOnly);
    SoftRegister *save = add("UserSetSave", USER_SET_SAVE_OFFSET, KyGenAccessModeWriteOnly);
    mLocked = map.Find(TL_PARAMS_LOCKED_OFFSET);
    if (!mSelector || !mStartup || !load || !save) {
        return KyResult(KY_INVALID_PARAMETER, "the user set registers overlap other registers");
    }
    const uint32_t last = count;
    auto inRange = [last](SoftRegister &r) {
        const uint32_t value = r.GetRawU32();
        return value <= last ? KyResult(KY_OK)
                             : Refused("user set " + std::to_string(value) + " does not exist (0 to " +
                                           std::to_string(last) + ")",
                                       KY_INVALID_PARAMETER);
    };
    mSelector->SetHooks(nullptr, inRange, nullptr);
    // The start-up set is kept by the device object, across Stop and Start.
    if (mStartupIndex > count) {
        mStartupIndex = 0;
    }
    mStartup->SetRawU32(mStartupIndex);
    mStartup->SetHooks(nullptr, inRange, [this](SoftRegister &r) { mStartupIndex = r.GetRawU32(); });
    // Commands act in the write check so that a failure reaches the controller as a refusal.
    load->SetHooks(
        nullptr,
        [this](SoftRegister &r) {
            const KyResult result = r.GetRawU32() == 0 ? KyResult(KY_OK) : Load(mSelector->GetRawU32());
            r.SetRawU32(0);
            return result;
        },
        nullptr);
    save->SetHooks(
        nullptr,
        [this](SoftRegister &r) {
            const KyResult result = r.GetRawU32() == 0 ? KyResult(KY_OK) : Save(mSelector->GetRawU32());
            r.SetRawU32(0);
            return result;
        },
        nullptr);
    return KyResult(KY_OK);
}

void SoftUserSets::Begin(SoftRegisterMap &map, size_t firstIndex)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    if (mCount == 0) {
        return;  // no user sets: the registers are not read behind the program's back
    }
    for (size_t k = firstIndex; k < map.GetRegisterCount(); ++k) {
        auto *reg = static_cast<SoftRegister *>(map.GetRegisterByIndex(k));
        if (reg && reg->IsReadable() && reg->IsWritable()) {
            mRegisters.push_back(reg);
        }
    }
    mSets[0].clear();
    KyResult result = Run(0, SoftRegisterStore::Mode::Save);
    const uint32_t startup = mStartupIndex;
    if (startup != 0 && mSets.count(startup) != 0) {
        result |= Run(startup, SoftRegisterStore::Mode::Load);
    }
    if (result.IsFailure()) {
        SoftLog("SoftDevice", "user sets at start: %s", result.GetDescription().GetAscii());
    }
}

KyResult SoftUserSets::Save(uint32_t index)
{
    if (index == 0) {
        return Refused("the default user set cannot be overwritten");
    }
    if (index > mCount) {
        return Refused("user set " + std::to_string(index) + " does not exist", KY_INVALID_PARAMETER);
    }
    return Run(index, SoftRegisterStore::Mode::Save);
}

KyResult SoftUserSets::Load(uint32_t index)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    if (mLocked && mLocked->GetRawU32() != 0) {
        return Refused("user sets are not loaded while the parameters are locked (streaming)");
    }
    if (mSets.count(index) == 0) {
        return Refused("user set " + std::to_string(index) + " was never saved");
    }
    return Run(index, SoftRegisterStore::Mode::Load);
}

KyResult SoftUserSets::Run(uint32_t index, SoftRegisterStore::Mode mode)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    const bool save = mode == SoftRegisterStore::Mode::Save;
    Notify(save ? KyUserSetStateSaveStart : KyUserSetStateLoadStart, index);
    SoftRegisterStore::Contents &contents = mSets[index];
    SoftRegisterStore store(contents, mode);
    KyResult outcome(KY_OK);
    for (SoftRegister *reg : mRegisters) {
        KyResult result = reg->Persist(store);
        if (result.IsFailure()) {
            SoftLog("SoftUserSets::Run", "%s of %s in user set %u: %s", save ? "saving" : "loading",
                    reg->GetName().GetAscii(), index, result.GetDescription().GetAscii());
            outcome |= result;
        }
    }
    Notify(save ? KyUserSetStateSaveCompleted : KyUserSetStateLoadCompleted, index);
    return outcome;
}

void SoftUserSets::Notify(KyUserSetState state, uint32_t index)
{
    if (mNotify == nullptr) {
        return;
    }
    KyResult result = ky::base::Guarded(SoftDeviceLog(), "UserSetStateNotify",
                                        [&] { return mNotify->UserSetStateNotify(state, index); });
    if (result.IsFailure()) {
        SoftLog("SoftUserSets::Notify", "state %d of user set %u: %s", static_cast<int>(state), index,
                result.GetDescription().GetAscii());
    }
}

}  // namespace ky::soft
