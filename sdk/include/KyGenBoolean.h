// KyGenBoolean: a true/false feature.
#pragma once

#include "KyGenParameter.h"

class KyGenBoolean : public KyGenParameter
{
public:
    using KyGenParameter::KyGenParameter;
    KyResult SetValue(bool aValue);
    KyResult GetValue(bool &aValue) const;
};
