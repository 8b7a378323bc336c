#include "ky/apputils/KyAcquisitionStateManager.h"

#include <string>

#include "DeviceNodeMap.h"
#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"
#include "ky/device/KyDevice.h"
#include "ky/genicam/KyGenParameterArray.h"

struct KyAcquisitionStateManager::OwnNodeMap
{
    explicit OwnNodeMap(KyDevice &device) : map(device) { }
    ky::apputils::DeviceNodeMap map;
};

namespace {

// A step that undoes part of a failed start: its own failure is logged, the start's is returned.
void Undo(const char *step, const KyResult &result)
{
    if (result.IsSuccess())
        return;
    const std::string message = std::string("undoing a failed acquisition start, ") + step +
                                " failed: " + result.GetCodeString().str() + " " +
                                result.GetDescription().str();
    KyLogCategories::Find("device")->LogWarning(__FILE__, __LINE__, "KyAcquisitionStateManager::Start",
                                                message.c_str());
}

}  // namespace

KyAcquisitionStateManager::KyAcquisitionStateManager(KyDevice *aDevice, KyStream *aStream, uint32_t aSource)
    : mDevice(aDevice), mStream(aStream), mSource(aSource)
{ }

KyAcquisitionStateManager::~KyAcquisitionStateManager() = default;

KyGenParameterArray *KyAcquisitionStateManager::Parameters(KyResult &result)
{
    if (mDevice == nullptr) {
        result = KyResult(KY_INVALID_PARAMETER, KyString("the acquisition state manager has no device"));
        return nullptr;
    }
    if (!mDevice->IsConnected()) {
        result = KyResult(KY_NOT_CONNECTED, KyString("the device is not connected"));
        return nullptr;
    }
    if (KyGenParameterArray *own = mDevice->GetParameters())
        return own;
    if (!mOwn) {
        auto loaded = std::make_unique<OwnNodeMap>(*mDevice);
        result = loaded->map.Load();
        if (result.IsFailure())
            return nullptr;
        mOwn = std::move(loaded);
    }
    return &mOwn->map.Array();
}

KyResult KyAcquisitionStateManager::Select(KyGenParameterArray &parameters)
{
    // Devices with one source have no selector; only a named other source makes its absence an error.
    if (parameters.GetEnum(KyString("SourceSelector")) == nullptr)
        return mSource == 0 ? KyResult()
                            : KyResult(KY_NOT_FOUND, KyString("the device has no SourceSelector for source " +
                                                              std::to_string(mSource)));
    return parameters.SetEnumValue(KyString("SourceSelector"), static_cast<int64_t>(mSource));
}

KyResult KyAcquisitionStateManager::Start()
{
    std::lock_guard<std::mutex> lock(mMutex);
    KyResult result;
    KyGenParameterArray *parameters = Parameters(result);
    if (parameters == nullptr)
        return result;
    if (parameters->GetCommand(KyString("AcquisitionStart")) == nullptr)
        return KyResult(KY_NOT_FOUND, KyString("the device has no AcquisitionStart command"));
    result = Select(*parameters);
    if (result.IsFailure())
        return result;
    // Each step that was taken is undone when a later one fails: a start that failed leaves the
    // transport layer unlocked and the stream channel disabled, as it found them.
    const bool lockable = parameters->GetInteger(KyString("TLParamsLocked")) != nullptr;
    if (lockable) {
        result = parameters->SetIntegerValue(KyString("TLParamsLocked"), 1);
        if (result.IsFailure())
            return result;
    }
    result = mDevice->StreamEnable(0);
    if (result.IsSuccess()) {
        result = parameters->ExecuteCommand(KyString("AcquisitionStart"));
        if (result.IsFailure())
            Undo("StreamDisable", mDevice->StreamDisable(0));
    }
    if (result.IsFailure()) {
        if (lockable)
            Undo("TLParamsLocked = 0", parameters->SetIntegerValue(KyString("TLParamsLocked"), 0));
        return result;
    }
    mState = KyAcquisitionStateLocked;
    return KyResult();
}

KyResult KyAcquisitionStateManager::Stop()
{
    std::lock_guard<std::mutex> lock(mMutex);
    KyResult result;
    KyGenParameterArray *parameters = Parameters(result);
    if (parameters == nullptr)
        return result;
    if (parameters->GetCommand(KyString("AcquisitionStop")) == nullptr)
        return KyResult(KY_NOT_FOUND, KyString("the device has no AcquisitionStop command"));
    result = Select(*parameters);
    if (result.IsFailure())
        return result;
    result = parameters->ExecuteCommand(KyString("AcquisitionStop"));
    if (result.IsFailure())
        return result;
    // The acquisition has stopped: the remaining steps are taken even when one fails, and the
    // first failure is returned (the state then stays as it was, and Stop may be called again).
    result = mDevice->StreamDisable(0);
    if (parameters->GetInteger(KyString("TLParamsLocked")) != nullptr)
        result |= parameters->SetIntegerValue(KyString("TLParamsLocked"), 0);
    if (result.IsFailure())
        return result;
    mState = KyAcquisitionStateUnlocked;
    return KyResult();
}

KyAcquisitionState KyAcquisitionStateManager::GetState() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mState;
}
