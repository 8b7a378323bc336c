// KyGenFloat: a floating-point feature (Float, FloatReg, SwissKnife, Converter).
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenFloat : public KyGenParameter
{
public:
    // Refused without writing when not writable, outside the limits, or off the increment
    // when the feature has one.
    KyResult SetValue(double aValue);
    KyResult GetValue(double &aValue) const;
    KyResult GetMin(double &aMin) const;
    KyResult GetMax(double &aMax) const;
    KyResult GetRepresentation(KyGenRepresentation &aRepresentation) const;
    KyResult GetUnit(KyString &aUnit) const;

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
