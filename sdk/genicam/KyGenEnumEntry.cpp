#include "ky/genicam/KyGenEnumEntry.h"

#include "nodes/EnumEntry.h"

KyGenEnumEntry::KyGenEnumEntry(ky::gc::EnumEntry *aEntry) : mEntry(aEntry) { }

KyResult KyGenEnumEntry::GetValue(int64_t &aValue) const
{
    aValue = mEntry->Value();
    return KyResult();
}

KyResult KyGenEnumEntry::GetName(KyString &aName) const
{
    aName = KyString(mEntry->Symbolic());
    return KyResult();
}

KyResult KyGenEnumEntry::GetToolTip(KyString &aToolTip) const
{
    aToolTip = KyString(mEntry->ToolTip());
    return KyResult();
}

KyResult KyGenEnumEntry::GetDescription(KyString &aDescription) const
{
    aDescription = KyString(mEntry->Description());
    return KyResult();
}

KyResult KyGenEnumEntry::GetVisibility(KyGenVisibility &aVisibility) const
{
    aVisibility = mEntry->Visibility();
    return KyResult();
}

KyResult KyGenEnumEntry::GetDisplayName(KyString &aDisplayName) const
{
    aDisplayName = KyString(mEntry->DisplayName());
    return KyResult();
}

KyResult KyGenEnumEntry::GetNameSpace(KyGenNameSpace &aNameSpace) const
{
    aNameSpace = mEntry->NameSpace();
    return KyResult();
}

KyResult KyGenEnumEntry::IsVisible(KyGenVisibility aVisibility, bool &aVisible) const
{
    aVisible = static_cast<int32_t>(mEntry->Visibility()) <= static_cast<int32_t>(aVisibility);
    return KyResult();
}

KyResult KyGenEnumEntry::IsAvailable(bool &aAvailable) const
{
    bool implemented = false;
    KyResult r = mEntry->IsImplemented(implemented);
    if (r.IsOK())
        r = mEntry->IsAvailable(aAvailable);
    aAvailable = r.IsOK() && implemented && aAvailable;
    return r;
}
