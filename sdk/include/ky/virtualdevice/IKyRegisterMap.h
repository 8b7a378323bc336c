// IKyRegisterMap: the registers of a running software device, bootstrap and custom ones.
// Owned by the device; valid from Start to Stop.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstddef>
#include <cstdint>

#include "ky/virtualdevice/IKyRegister.h"
#include "ky/base/KyResult.h"

class KY_VIRTUALDEVICE_API IKyRegisterMap
{
public:
    virtual ~IKyRegisterMap() { }

    virtual size_t GetRegisterCount() = 0;
    // Null for an index out of range or an address where no register starts.
    virtual IKyRegister *GetRegisterByIndex(size_t aIndex) = 0;
    virtual IKyRegister *GetRegisterByAddress(uint32_t aAddress) = 0;
    // Keeps registers from being removed (Stop waits for it) while held; it does not serialise
    // register access. Lock() waits; Lock(ms) gives KY_TIMEOUT after ms. KY_STATE_ERROR when
    // the device is not running. Every successful Lock needs one Release.
    virtual KyResult Lock() = 0;
    virtual KyResult Lock(uint32_t aTimeout) = 0;
    virtual void Release() = 0;
};
