// IKyRegisterInfo: what a register of a software device is (name, address, size, access, kind).
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstddef>
#include <cstdint>

#include "ky/base/KyString.h"

class KY_VIRTUALDEVICE_API IKyRegisterInfo
{
public:
    /// Virtual destructor.
    virtual ~IKyRegisterInfo() { }

    /// The register's name.
    ///
    /// @return the name given at its creation
    virtual const KyString &GetName() = 0;
    /// The register's address.
    ///
    /// @return the address of its first byte
    virtual uint32_t GetAddress() const = 0;
    /// The register's length.
    ///
    /// @return its size in bytes
    virtual size_t GetLength() const = 0;
    /// The context pointer given when the register was made.
    ///
    /// @return the pointer, null if none was given
    virtual const void *GetContext() const = 0;
    /// The context pointer given when the register was made.
    ///
    /// @return the pointer, null if none was given
    virtual void *GetContext() = 0;
    /// Whether a controller may write the register (the program itself may write any register).
    ///
    /// @return true when writable
    virtual bool IsWritable() const = 0;
    /// Whether a controller may read the register.
    ///
    /// @return true when readable
    virtual bool IsReadable() const = 0;
    /// Whether the register is an array of bytes (strings, raw data) rather than a 4- or 8-byte value.
    ///
    /// @return true for an array of bytes
    virtual bool IsArrayOfBytes() const = 0;
};
