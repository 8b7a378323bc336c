// KyGenCategory: a named group of features, owned by its parameter array.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/genicam/KyGenApiHandles.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KyGenParameterList;

namespace ky::gc {
class ArrayCore;
class Category;
}  // namespace ky::gc

class KY_GENICAM_API KyGenCategory
{
public:
    KyGenCategory(const KyGenCategory &) = delete;
    KyGenCategory &operator=(const KyGenCategory &) = delete;

    KyResult GetName(KyString &aName) const;
    KyResult GetToolTip(KyString &aToolTip) const;
    KyResult GetDescription(KyString &aDescription) const;
    KyResult GetDisplayName(KyString &aDisplayName) const;
    KyResult GetNameSpace(KyGenNameSpace &aNameSpace) const;
    KyResult GetVisibility(KyGenVisibility &aVisibility) const;
    KyResult IsVisible(KyGenVisibility aVisibility, bool &aVisible) const;
    KyResult IsImplemented(bool &aImplemented) const;
    KY_GENAPI_NS::INode *GetNode();
    // The features the category lists (sub-categories are found by name with
    // KyGenParameterArray::GetCategory).
    KyResult GetParameters(KyGenParameterList &aList) const;

private:
    // Made only by the parameter array that owns the category.
    KyGenCategory(ky::gc::ArrayCore *aCore, ky::gc::Category *aCategory);
    friend class ky::gc::ArrayCore;

    ky::gc::ArrayCore *mCore;
    ky::gc::Category *mCategory;
};
