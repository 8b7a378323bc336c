#include "ky/genicam/KyGenBoolean.h"

#include "ArrayCore.h"
#include "ValueAccess.h"

KyResult KyGenBoolean::SetValue(bool aValue)
{
    return mCore->Change([&] { return ky::gc::CheckedSetBool(*mNode, aValue); });
}

KyResult KyGenBoolean::GetValue(bool &aValue) const
{
    return mCore->Read([&] { return ky::gc::CheckedGetBool(*mNode, aValue); });
}
