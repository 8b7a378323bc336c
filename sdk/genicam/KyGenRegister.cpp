#include "ky/genicam/KyGenRegister.h"

#include "ArrayCore.h"
#include "ValueAccess.h"

KyResult KyGenRegister::Set(const uint8_t *aBuffer, int64_t aLength)
{
    return mCore->Change([&] { return ky::gc::CheckedSetBytes(*mNode, aBuffer, aLength); });
}

KyResult KyGenRegister::Get(uint8_t *aBuffer, int64_t aLength) const
{
    return mCore->Read([&] { return ky::gc::CheckedGetBytes(*mNode, aBuffer, aLength); });
}

KyResult KyGenRegister::GetLength(int64_t &aLength) const
{
    return mCore->Read([&] { return mNode->GetLength(aLength); });
}
