// KyGenBoolean: a true/false feature.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenBoolean : public KyGenParameter
{
public:
    KyResult SetValue(bool aValue);
    KyResult GetValue(bool &aValue) const;

private:
    using KyGenParameter::KyGenParameter;
    friend class ky::gc::ArrayCore;
};
