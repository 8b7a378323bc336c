#include "ky/genicam/KyGenFloat.h"

#include "ArrayCore.h"
#include "ValueAccess.h"

KyResult KyGenFloat::SetValue(double aValue)
{
    return mCore->Change([&] { return ky::gc::CheckedSetFloat(*mNode, aValue); });
}

KyResult KyGenFloat::GetValue(double &aValue) const
{
    return mCore->Read([&] { return ky::gc::CheckedGetFloat(*mNode, aValue); });
}

KyResult KyGenFloat::GetMin(double &aMin) const
{
    return mCore->Read([&] { return mNode->GetFloatMin(aMin); });
}

KyResult KyGenFloat::GetMax(double &aMax) const
{
    return mCore->Read([&] { return mNode->GetFloatMax(aMax); });
}

KyResult KyGenFloat::GetRepresentation(KyGenRepresentation &aRepresentation) const
{
    return mCore->Read([&] {
        aRepresentation = mNode->Representation();
        return KyResult();
    });
}

KyResult KyGenFloat::GetUnit(KyString &aUnit) const
{
    return mCore->Read([&] {
        aUnit = KyString(mNode->Unit());
        return KyResult();
    });
}
