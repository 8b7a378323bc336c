// KyGenEnumEntry: one entry of an enumeration feature, owned by that feature.
#pragma once

#include "ky/genicam/KyGenICamExport.h"
#include "ky/base/KyBaseExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

namespace ky::gc {
class EnumEntry;
}

class KyGenEnum;

class KY_GENICAM_API KyGenEnumEntry
{
public:
    KyGenEnumEntry(const KyGenEnumEntry &) = delete;
    KyGenEnumEntry &operator=(const KyGenEnumEntry &) = delete;

    /// The entry's integer value.
    ///
    /// @param[out] aValue receives the value
    ///
    /// @return Includes: KY_OK
    KyResult GetValue(int64_t &aValue) const;
    /// The entry's symbolic name, as KyGenEnum::SetValue takes it.
    ///
    /// @param[out] aName receives the name
    ///
    /// @return Includes: KY_OK
    KyResult GetName(KyString &aName) const;
    /// A short description of the entry, as a user interface shows it on hovering.
    ///
    /// @param[out] aToolTip receives the tool tip (empty when the entry has none)
    ///
    /// @return Includes: KY_OK
    KyResult GetToolTip(KyString &aToolTip) const;
    /// The entry's long description.
    ///
    /// @param[out] aDescription receives the description (empty when the entry has none)
    ///
    /// @return Includes: KY_OK
    KyResult GetDescription(KyString &aDescription) const;
    /// The lowest user level that sees the entry.
    ///
    /// @param[out] aVisibility receives a KyGenVisibility value
    ///
    /// @return Includes: KY_OK
    KyResult GetVisibility(KyGenVisibility &aVisibility) const;
    /// The name a user interface shows for the entry.
    ///
    /// @param[out] aDisplayName receives the display name (the node's name when the entry has none)
    ///
    /// @return Includes: KY_OK
    KyResult GetDisplayName(KyString &aDisplayName) const;
    /// Whether the entry is a standard one or the device maker's own.
    ///
    /// @param[out] aNameSpace receives a KyGenNameSpace value
    ///
    /// @return Includes: KY_OK
    KyResult GetNameSpace(KyGenNameSpace &aNameSpace) const;
    /// Whether the entry is visible at a user level.
    ///
    /// @param[in] aVisibility the user level, a KyGenVisibility value
    /// @param[out] aVisible receives true when the entry's visibility is at or below that level
    ///
    /// @return Includes: KY_OK
    KyResult IsVisible(KyGenVisibility aVisibility, bool &aVisible) const;
    /// Whether the entry can be chosen now (implemented and available).
    ///
    /// @param[out] aAvailable receives true when it can
    ///
    /// @return Includes: KY_OK, or the failure of reading what decides it
    KyResult IsAvailable(bool &aAvailable) const;

private:
    // Made only by the enumeration feature that owns the entry.
    KY_LOCAL explicit KyGenEnumEntry(ky::gc::EnumEntry *aEntry);
    friend class KyGenEnum;

    ky::gc::EnumEntry *mEntry;
};
