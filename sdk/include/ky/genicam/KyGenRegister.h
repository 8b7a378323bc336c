// KyGenRegister: a block of device memory read and written as raw bytes.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstdint>

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenRegister : public KyGenParameter
{
public:
    // Writes the first aLength bytes of the register (1 up to GetLength) from aBuffer.
    KyResult Set(const uint8_t *aBuffer, int64_t aLength);
    // Reads the first aLength bytes of the register (1 up to GetLength) into aBuffer.
    KyResult Get(uint8_t *aBuffer, int64_t aLength) const;
    KyResult GetLength(int64_t &aLength) const;

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
