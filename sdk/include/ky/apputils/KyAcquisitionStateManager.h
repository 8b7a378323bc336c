// KyAcquisitionStateManager: starts and stops a device's acquisition and remembers whether it
// runs.
//
// Start: "TLParamsLocked" = 1 (where the device has it), the stream channel enabled
// (KyDevice::StreamEnable), then the command "AcquisitionStart" (after selecting aSource with
// "SourceSelector" where the device has several sources). Stop does the reverse:
// "AcquisitionStop", StreamDisable, "TLParamsLocked" = 0. A Start that fails undoes the steps
// it took (the stream channel is disabled and the lock released again); a Stop whose
// "AcquisitionStop" succeeded takes its other steps even when one of them fails.
//
// The features are those of the device's parameter array (KyDevice::GetParameters). A device
// object that carries no parameter array yet is reached through a node map of the manager's
// own, loaded once from the GenICam file the device serves (KyDevice::DumpGenICamXML) and
// working through the device's ReadMemory / WriteMemory.
//
// The device and the stream are the caller's and must outlive the manager. Calls may come from
// several threads; they are serialised.
#pragma once

#include "ky/apputils/KyAppUtilsExport.h"

#include <cstdint>
#include <memory>
#include <mutex>

#include "ky/base/KyResult.h"

class KyDevice;
class KyGenParameterArray;
class KyStream;

enum KyAcquisitionState {
    KyAcquisitionStateUnknown = -1,
    KyAcquisitionStateUnlocked = 0,  // acquisition stopped
    KyAcquisitionStateLocked = 1,    // acquisition running
};

class KY_APPUTILS_API KyAcquisitionStateManager
{
public:
    KyAcquisitionStateManager(KyDevice *aDevice, KyStream *aStream, uint32_t aSource = 0);
    virtual ~KyAcquisitionStateManager();
    KyAcquisitionStateManager(const KyAcquisitionStateManager &) = delete;
    KyAcquisitionStateManager &operator=(const KyAcquisitionStateManager &) = delete;

    // KY_INVALID_PARAMETER without a device, KY_NOT_CONNECTED when it is not connected,
    // KY_NOT_FOUND when it has no "AcquisitionStart", or the failure of a step (the state then
    // stays as it was).
    KyResult Start();
    KyResult Stop();
    KyAcquisitionState GetState() const;
    uint32_t GetSource() const { return mSource; }

private:
    KyGenParameterArray *Parameters(KyResult &result);
    KyResult Select(KyGenParameterArray &parameters);

    KyDevice *mDevice;
    KyStream *mStream;
    uint32_t mSource;
    mutable std::mutex mMutex;
    KyAcquisitionState mState = KyAcquisitionStateUnlocked;
    struct OwnNodeMap;
    std::unique_ptr<OwnNodeMap> mOwn;
};
