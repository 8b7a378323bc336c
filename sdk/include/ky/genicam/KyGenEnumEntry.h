// KyGenEnumEntry: one entry of an enumeration feature, owned by that feature.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

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

    KyResult GetValue(int64_t &aValue) const;
    // The symbolic name, as SetValue(KyString) takes it.
    KyResult GetName(KyString &aName) const;
    KyResult GetToolTip(KyString &aToolTip) const;
    KyResult GetDescription(KyString &aDescription) const;
    KyResult GetVisibility(KyGenVisibility &aVisibility) const;
    KyResult GetDisplayName(KyString &aDisplayName) const;
    KyResult GetNameSpace(KyGenNameSpace &aNameSpace) const;
    KyResult IsVisible(KyGenVisibility aVisibility, bool &aVisible) const;
    KyResult IsAvailable(bool &aAvailable) const;

private:
    // Made only by the enumeration feature that owns the entry.
    explicit KyGenEnumEntry(ky::gc::EnumEntry *aEntry);
    friend class KyGenEnum;

    ky::gc::EnumEntry *mEntry;
};
