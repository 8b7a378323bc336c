// IKyUserSetNotify: told when a software device saves or loads a user set (IKySoftDeviceGEV::
// SetUserSetNotify). Index 0 is the default user set, the others count from 1. Called on the
// thread that runs the save or load (a device thread when a controller asks for it, the caller
// of Start for the start-up set). The result is logged when it is a failure; it does not stop
// the save or load. A throwing implementation is caught and logged.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"

class KY_VIRTUALDEVICE_API IKyUserSetNotify
{
public:
    IKyUserSetNotify() = default;
    virtual ~IKyUserSetNotify() { }

    /// Told when a user set's save or load starts or completes.
    ///
    /// @param[in] aUserSetState KyUserSetStateSaveStart, SaveCompleted, LoadStart or LoadCompleted
    /// @param[in] aUserSetIndex the user set: 0 the default set, 1 and up the others
    ///
    /// @return KY_OK; a failure is logged and does not stop the save or load
    virtual KyResult UserSetStateNotify(KyUserSetState aUserSetState, uint32_t aUserSetIndex) = 0;
};
