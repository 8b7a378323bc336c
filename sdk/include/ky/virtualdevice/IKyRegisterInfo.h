// IKyRegisterInfo: what a register of a software device is (name, address, size, access, kind).
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstddef>
#include <cstdint>

#include "ky/base/KyString.h"

class KY_VIRTUALDEVICE_API IKyRegisterInfo
{
public:
    virtual ~IKyRegisterInfo() { }

    virtual const KyString &GetName() = 0;
    virtual uint32_t GetAddress() const = 0;
    virtual size_t GetLength() const = 0;
    // The context pointer given when the register was made; null if none.
    virtual const void *GetContext() const = 0;
    virtual void *GetContext() = 0;
    // Access flags, enforced for GigE Vision controllers only; the program itself may write any register.
    virtual bool IsWritable() const = 0;
    virtual bool IsReadable() const = 0;
    // True for an array of bytes (strings, raw data), false for a plain 4- or 8-byte value.
    virtual bool IsArrayOfBytes() const = 0;
};
