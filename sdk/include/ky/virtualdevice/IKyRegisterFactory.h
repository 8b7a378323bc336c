// IKyRegisterFactory: adds custom registers to a software device while it starts
// (IKySoftDeviceGEVEventSink::OnCreateCustomRegisters). Usable only inside that callback.
//
// AddRegister: a plain value, aLength 4 or 8. AddByteArray: aLength a non-zero multiple of 4.
// The address must be a multiple of 4 and must not overlap any register already in the map;
// aAccessMode is KyGenAccessModeReadOnly, ReadWrite or WriteOnly. Failures: KY_INVALID_PARAMETER
// (with a description naming the rule broken). The sink, if given, is added to the new register;
// sink and context stay owned by the caller.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class IKyRegisterEventSink;

class KY_VIRTUALDEVICE_API IKyRegisterFactory
{
public:
    /// Virtual destructor.
    virtual ~IKyRegisterFactory() { }

    /// Adds a plain value register (integer and float features).
    ///
    /// @param[in] aName the register's name
    /// @param[in] aAddress a multiple of 4, overlapping no other register, the bootstrap area (below 0xA000)
    ///        or the device's own area (0x3FF00000 to 0x3FFFFFFF)
    /// @param[in] aLength 4 or 8
    /// @param[in] aAccessMode KyGenAccessModeReadOnly, ReadWrite or WriteOnly
    /// @param[in] aRegisterEventSink a sink added to the new register, or null
    /// @param[in] aContext a pointer of the program's, returned by GetContext
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (with the rule broken)
    virtual KyResult AddRegister(const KyString &aName, uint32_t aAddress, uint32_t aLength,
                                 KyGenAccessMode aAccessMode,
                                 IKyRegisterEventSink *aRegisterEventSink = nullptr,
                                 void *aContext = nullptr) = 0;
    /// Adds an array of bytes (string and register features).
    ///
    /// @param[in] aName the register's name
    /// @param[in] aAddress a multiple of 4, overlapping no other register, the bootstrap area (below 0xA000)
    ///        or the device's own area (0x3FF00000 to 0x3FFFFFFF)
    /// @param[in] aLength a non-zero multiple of 4
    /// @param[in] aAccessMode KyGenAccessModeReadOnly, ReadWrite or WriteOnly
    /// @param[in] aRegisterEventSink a sink added to the new register, or null
    /// @param[in] aContext a pointer of the program's, returned by GetContext
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (with the rule broken)
    virtual KyResult AddByteArray(const KyString &aName, uint32_t aAddress, uint32_t aLength,
                                  KyGenAccessMode aAccessMode,
                                  IKyRegisterEventSink *aRegisterEventSink = nullptr,
                                  void *aContext = nullptr) = 0;
};
