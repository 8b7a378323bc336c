#include "ky/genicam/KyGenInteger.h"

#include "ArrayCore.h"
#include "ValueAccess.h"

KyResult KyGenInteger::SetValue(int64_t aValue)
{
    return mCore->Change([&] { return ky::gc::CheckedSetInt(*mNode, aValue); });
}

KyResult KyGenInteger::GetValue(int64_t &aValue) const
{
    return mCore->Read([&] { return ky::gc::CheckedGetInt(*mNode, aValue); });
}

KyResult KyGenInteger::GetMin(int64_t &aMin) const
{
    return mCore->Read([&] { return mNode->GetIntMin(aMin); });
}

KyResult KyGenInteger::GetMax(int64_t &aMax) const
{
    return mCore->Read([&] { return mNode->GetIntMax(aMax); });
}

KyResult KyGenInteger::GetIncrement(int64_t &aIncrement) const
{
    return mCore->Read([&] { return mNode->GetIntInc(aIncrement); });
}

KyResult KyGenInteger::GetRepresentation(KyGenRepresentation &aRepresentation) const
{
    return mCore->Read([&] {
        aRepresentation = mNode->Representation();
        return KyResult();
    });
}

KyResult KyGenInteger::GetUnit(KyString &aUnit) const
{
    return mCore->Read([&] {
        aUnit = KyString(mNode->Unit());
        return KyResult();
    });
}
