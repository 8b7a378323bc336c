#include "ky/genicam/KyGenString.h"

#include "ArrayCore.h"
#include "ValueAccess.h"

KyResult KyGenString::SetValue(const KyString &aValue)
{
    return mCore->Change([&] { return ky::gc::CheckedSetString(*mNode, aValue.str()); });
}

KyResult KyGenString::GetValue(KyString &aValue) const
{
    return mCore->Read([&] {
        std::string text;
        KyResult r = ky::gc::CheckedGetString(*mNode, text);
        if (r.IsOK())
            aValue = KyString(text);
        return r;
    });
}

KyResult KyGenString::GetMaxLength(int64_t &aMaxLength) const
{
    return mCore->Read([&] { return mNode->GetMaxLength(aMaxLength); });
}
