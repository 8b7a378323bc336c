// KyGenInteger: an integer feature (Integer, IntReg, MaskedIntReg, IntSwissKnife, IntConverter).
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstdint>

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenInteger : public KyGenParameter
{
public:
    /// Set the feature's new value.
    ///
    /// Refused without writing when not writable, below the minimum, above the maximum or off
    /// the increment: "[Width] 5000 is above the maximum 4096".
    ///
    /// @param[in] aValue the new value
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (outside the limits or off the increment),
    ///         KY_STATE_ERROR (not writable now)
    KyResult SetValue(int64_t aValue);
    /// Get the feature's value.
    ///
    /// @param[out] aValue receives the value
    ///
    /// @return Includes: KY_OK, KY_STATE_ERROR (not readable now)
    KyResult GetValue(int64_t &aValue) const;
    /// Get the feature's limits (minimum).
    ///
    /// @param[out] aMin receives the smallest value the feature takes
    ///
    /// @return Includes: KY_OK
    KyResult GetMin(int64_t &aMin) const;
    /// Get the feature's limits (maximum).
    ///
    /// @param[out] aMax receives the largest value the feature takes
    ///
    /// @return Includes: KY_OK
    KyResult GetMax(int64_t &aMax) const;
    /// Get the feature's suggested increment.
    ///
    /// How far an up/down control of a user interface steps the value; a value is valid when
    /// its distance from the minimum is a multiple of it.
    ///
    /// @param[out] aIncrement receives the increment (1 when the feature has none)
    ///
    /// @return Includes: KY_OK
    KyResult GetIncrement(int64_t &aIncrement) const;
    /// Get the feature's suggested presentation format.
    ///
    /// @param[out] aRepresentation receives a KyGenRepresentation value
    ///
    /// @return Includes: KY_OK
    KyResult GetRepresentation(KyGenRepresentation &aRepresentation) const;
    /// Get the feature's measurement unit.
    ///
    /// Informational text such as "pixels", "bytes" or "ms"; it is of no use for converting
    /// between units.
    ///
    /// @param[out] aUnit receives the unit (empty when the feature has none)
    ///
    /// @return Includes: KY_OK
    KyResult GetUnit(KyString &aUnit) const;

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
