// KyGenFloat: a floating-point feature (Float, FloatReg, SwissKnife, Converter).
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenFloat : public KyGenParameter
{
public:
    /// Set the feature's value.
    ///
    /// Refused without writing when not writable, outside the limits, or off the increment
    /// when the feature has one.
    ///
    /// @param[in] aValue the new value
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (outside the limits, off the increment or
    ///         not a finite number), KY_STATE_ERROR (not writable now)
    KyResult SetValue(double aValue);
    /// Get the feature's value.
    ///
    /// @param[out] aValue receives the value
    ///
    /// @return Includes: KY_OK, KY_STATE_ERROR (not readable now)
    KyResult GetValue(double &aValue) const;
    /// Get the feature's limits (minimum).
    ///
    /// @param[out] aMin receives the smallest value the feature takes
    ///
    /// @return Includes: KY_OK
    KyResult GetMin(double &aMin) const;
    /// Get the feature's limits (maximum).
    ///
    /// @param[out] aMax receives the largest value the feature takes
    ///
    /// @return Includes: KY_OK
    KyResult GetMax(double &aMax) const;
    /// Get the feature's suggested presentation format.
    ///
    /// @param[out] aRepresentation receives a KyGenRepresentation value
    ///
    /// @return Includes: KY_OK
    KyResult GetRepresentation(KyGenRepresentation &aRepresentation) const;
    /// Get the feature's measurement unit.
    ///
    /// Informational text such as "ms" or "dB"; it is of no use for converting between units.
    ///
    /// @param[out] aUnit receives the unit (empty when the feature has none)
    ///
    /// @return Includes: KY_OK
    KyResult GetUnit(KyString &aUnit) const;

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
