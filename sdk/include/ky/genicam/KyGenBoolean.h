// KyGenBoolean: a true/false feature.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenBoolean : public KyGenParameter
{
public:
    /// Set the feature's value.
    ///
    /// @param[in] aValue the new value
    ///
    /// @return Includes: KY_OK, KY_STATE_ERROR (not writable now)
    KyResult SetValue(bool aValue);
    /// Get the feature's value.
    ///
    /// @param[out] aValue receives the value
    ///
    /// @return Includes: KY_OK, KY_STATE_ERROR (not readable now)
    KyResult GetValue(bool &aValue) const;

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
