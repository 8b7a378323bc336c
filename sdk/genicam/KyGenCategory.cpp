#include "ky/genicam/KyGenCategory.h"

#include "ArrayCore.h"
#include "ky/genicam/KyGenParameterList.h"
#include "nodes/Category.h"

KyGenCategory::KyGenCategory(ky::gc::ArrayCore *aCore, ky::gc::Category *aCategory)
    : mCore(aCore), mCategory(aCategory)
{ }

KyResult KyGenCategory::GetName(KyString &aName) const
{
    aName = KyString(mCategory->Name());
    return KyResult();
}

KyResult KyGenCategory::GetToolTip(KyString &aToolTip) const
{
    aToolTip = KyString(mCategory->ToolTip());
    return KyResult();
}

KyResult KyGenCategory::GetDescription(KyString &aDescription) const
{
    aDescription = KyString(mCategory->Description());
    return KyResult();
}

KyResult KyGenCategory::GetDisplayName(KyString &aDisplayName) const
{
    aDisplayName = KyString(mCategory->DisplayName());
    return KyResult();
}

KyResult KyGenCategory::GetNameSpace(KyGenNameSpace &aNameSpace) const
{
    aNameSpace = mCategory->NameSpace();
    return KyResult();
}

KyResult KyGenCategory::GetVisibility(KyGenVisibility &aVisibility) const
{
    aVisibility = mCategory->Visibility();
    return KyResult();
}

KyResult KyGenCategory::IsVisible(KyGenVisibility aVisibility, bool &aVisible) const
{
    aVisible = static_cast<int32_t>(mCategory->Visibility()) <= static_cast<int32_t>(aVisibility);
    return KyResult();
}

KyResult KyGenCategory::IsImplemented(bool &aImplemented) const
{
    return mCore->Read([&] { return mCategory->IsImplemented(aImplemented); });
}

KY_GENAPI_NS::INode *KyGenCategory::GetNode() { return mCategory; }

KyResult KyGenCategory::GetParameters(KyGenParameterList &aList) const
{
    for (ky::gc::Node *n : mCategory->Features())
        if (n->Feature())
            aList.Add(n->Feature());
    return KyResult();
}
