// KyGenRegister: a block of device memory read and written as raw bytes.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstdint>

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenRegister : public KyGenParameter
{
public:
    /// Write to the register.
    ///
    /// Writes the first aLength bytes of the register (1 up to GetLength) from aBuffer. GigE
    /// Vision devices take lengths divisible by 4 only. A negative length, or a null buffer with
    /// a length other than 0, is refused before the device is touched.
    ///
    /// @param[in] aBuffer the bytes to write, at least aLength of them
    /// @param[in] aLength the number of bytes
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (null buffer, or a length outside 1 to the
    ///         register's length), KY_STATE_ERROR (not writable now)
    KyResult Set(const uint8_t *aBuffer, int64_t aLength);
    /// Reads from the register.
    ///
    /// Reads the first aLength bytes of the register (1 up to GetLength) into aBuffer. A
    /// negative length, or a null buffer with a length other than 0, is refused before the
    /// device is touched.
    ///
    /// @param[out] aBuffer receives the bytes; at least aLength bytes long
    /// @param[in] aLength the number of bytes
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (null buffer, or a length outside 1 to the
    ///         register's length), KY_STATE_ERROR (not readable now)
    KyResult Get(uint8_t *aBuffer, int64_t aLength) const;
    /// Returns the length of the register mapped with this feature.
    ///
    /// @param[out] aLength receives the length in bytes
    ///
    /// @return Includes: KY_OK
    KyResult GetLength(int64_t &aLength) const;

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
