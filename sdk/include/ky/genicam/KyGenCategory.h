// KyGenCategory: a named group of features, owned by its parameter array.
#pragma once

#include "ky/genicam/KyGenICamExport.h"
#include "ky/base/KyBaseExport.h"

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

    /// The category's name.
    ///
    /// @param[out] aName receives the name
    ///
    /// @return Includes: KY_OK
    KyResult GetName(KyString &aName) const;
    /// A short description of the category, as a user interface shows it on hovering.
    ///
    /// @param[out] aToolTip receives the tool tip (empty when the category has none)
    ///
    /// @return Includes: KY_OK
    KyResult GetToolTip(KyString &aToolTip) const;
    /// The category's long description.
    ///
    /// @param[out] aDescription receives the description (empty when the category has none)
    ///
    /// @return Includes: KY_OK
    KyResult GetDescription(KyString &aDescription) const;
    /// The name a user interface shows for the category.
    ///
    /// @param[out] aDisplayName receives the display name (the name when the category has none)
    ///
    /// @return Includes: KY_OK
    KyResult GetDisplayName(KyString &aDisplayName) const;
    /// Whether the category is a standard one or the device maker's own.
    ///
    /// @param[out] aNameSpace receives a KyGenNameSpace value
    ///
    /// @return Includes: KY_OK
    KyResult GetNameSpace(KyGenNameSpace &aNameSpace) const;
    /// The lowest user level that sees the category.
    ///
    /// @param[out] aVisibility receives a KyGenVisibility value
    ///
    /// @return Includes: KY_OK
    KyResult GetVisibility(KyGenVisibility &aVisibility) const;
    /// Whether the category is visible at a user level.
    ///
    /// @param[in] aVisibility the user level, a KyGenVisibility value
    /// @param[out] aVisible receives true when the category's visibility is at or below that level
    ///
    /// @return Includes: KY_OK
    KyResult IsVisible(KyGenVisibility aVisibility, bool &aVisible) const;
    /// Whether the category is implemented by the device.
    ///
    /// @param[out] aImplemented receives true when it is
    ///
    /// @return Includes: KY_OK, or the failure of reading what decides it
    KyResult IsImplemented(bool &aImplemented) const;
    /// The category's node, for code that works with the node map directly.
    ///
    /// @return an opaque node handle, owned by the parameter array
    KY_GENAPI_NS::INode *GetNode();
    // The features the category lists (sub-categories are found by name with
    // KyGenParameterArray::GetCategory).
    KyResult GetParameters(KyGenParameterList &aList) const;

private:
    // Made only by the parameter array that owns the category.
    KY_LOCAL KyGenCategory(ky::gc::ArrayCore *aCore, ky::gc::Category *aCategory);
    friend class ky::gc::ArrayCore;

    ky::gc::ArrayCore *mCore;
    ky::gc::Category *mCategory;
};
