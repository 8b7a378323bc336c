// KyGenString: a text feature with a maximum length (in bytes of UTF-8 text).
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstdint>

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenString : public KyGenParameter
{
public:
    /// Set the feature's value.
    ///
    /// @param[in] aValue the new text, at most GetMaxLength long
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (too long), KY_STATE_ERROR (not writable now)
    KyResult SetValue(const KyString &aValue);
    /// Get the feature's value.
    ///
    /// @param[out] aValue receives the text
    ///
    /// @return Includes: KY_OK, KY_STATE_ERROR (not readable now)
    KyResult GetValue(KyString &aValue) const;
    /// Returns the maximum length of the string.
    ///
    /// @param[out] aMaxLength receives the length, in bytes of UTF-8 text
    ///
    /// @return Includes: KY_OK
    KyResult GetMaxLength(int64_t &aMaxLength) const;

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
