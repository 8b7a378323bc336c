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
    /// Virtual destructor.
    virtual ~IKyRegisterMap() { }

    /// The number of registers.
    ///
    /// @return the count; registers are indexed from 0
    virtual size_t GetRegisterCount() = 0;
    /// A register by index.
    ///
    /// @param[in] aIndex 0 to GetRegisterCount() - 1
    ///
    /// @return the register, null for an index out of range
    virtual IKyRegister *GetRegisterByIndex(size_t aIndex) = 0;
    /// A register by address.
    ///
    /// @param[in] aAddress the address where the register starts
    ///
    /// @return the register, null where no register starts
    virtual IKyRegister *GetRegisterByAddress(uint32_t aAddress) = 0;
    /// Keeps registers from being removed while held (Stop waits for it a bounded time); it does not serialise register access, and holders do not wait for each other.
    ///
    /// While the device is removing its registers (it stops), Lock waits until that is done. Every successful
    /// Lock needs one Release.
    ///
    /// @return KY_OK, KY_STATE_ERROR (the device is not running)
    virtual KyResult Lock() = 0;
    /// Lock, waiting at most aTimeout milliseconds for a removal of the registers in progress.
    ///
    /// @param[in] aTimeout milliseconds
    ///
    /// @return KY_OK, KY_TIMEOUT (the registers were still being removed after aTimeout ms),
    ///         KY_STATE_ERROR (the device is not running)
    virtual KyResult Lock(uint32_t aTimeout) = 0;
    /// Releases one Lock.
    virtual void Release() = 0;
};
