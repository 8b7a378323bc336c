// KyGenEnum: an enumeration feature, a value chosen among named entries.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "ky/genicam/KyGenEnumEntry.h"
#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenEnum : public KyGenParameter
{
public:
    ~KyGenEnum() override;

    // By entry value or by entry name; an entry that is not available is refused.
    KyResult SetValue(int64_t aValue);
    KyResult SetValue(const KyString &aValue);
    KyResult GetEntriesCount(int64_t &aCount) const;
    // Entry lookups give the entry (owned by this feature) or nullptr with KY_NOT_FOUND.
    KyResult GetEntryByName(const KyString &aName, const KyGenEnumEntry **aEntry) const;
    KyResult GetEntryByIndex(int64_t aIndex, const KyGenEnumEntry **aEntry) const;
    KyResult GetEntryByValue(int64_t aValue, const KyGenEnumEntry **aEntry) const;
    KyResult GetValue(KyString &aValue) const;
    KyResult GetValue(int64_t &aValue) const;

private:
    KyGenEnum(ky::gc::ArrayCore *aCore, ky::gc::Node *aNode);
    friend class ky::gc::ArrayCore;

    std::vector<std::unique_ptr<KyGenEnumEntry>> mEntries;
};
