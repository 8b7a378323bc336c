// KyGenInteger: an integer feature (Integer, IntReg, MaskedIntReg, IntSwissKnife, IntConverter).
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstdint>

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenInteger : public KyGenParameter
{
public:
    // Refused without writing when not writable, below the minimum, above the maximum or
    // off the increment: "[Width] 5000 is above the maximum 4096".
    KyResult SetValue(int64_t aValue);
    KyResult GetValue(int64_t &aValue) const;
    KyResult GetMin(int64_t &aMin) const;
    KyResult GetMax(int64_t &aMax) const;
    KyResult GetIncrement(int64_t &aIncrement) const;
    KyResult GetRepresentation(KyGenRepresentation &aRepresentation) const;
    KyResult GetUnit(KyString &aUnit) const;

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
