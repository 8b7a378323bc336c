// KyGenString: a text feature with a maximum length (in bytes of UTF-8 text).
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstdint>

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenString : public KyGenParameter
{
public:
    KyResult SetValue(const KyString &aValue);
    KyResult GetValue(KyString &aValue) const;
    KyResult GetMaxLength(int64_t &aMaxLength) const;

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
