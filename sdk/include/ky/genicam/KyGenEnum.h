// KyGenEnum: an enumeration feature, a value chosen among named entries.
#pragma once

#include "ky/genicam/KyGenICamExport.h"
#include "ky/base/KyBaseExport.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "ky/genicam/KyGenEnumEntry.h"
#include "ky/genicam/KyGenParameter.h"

class KY_GENICAM_API KyGenEnum : public KyGenParameter
{
public:
    ~KyGenEnum() override;

    /// Sets the feature's value by an entry's integer value.
    ///
    /// @param[in] aValue the value of the entry to choose
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (no such entry), KY_STATE_ERROR (the entry
    ///         is not available, or the feature is not writable now)
    KyResult SetValue(int64_t aValue);
    /// Sets the feature's value by an entry's name.
    ///
    /// @param[in] aValue the name of the entry to choose
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (no such entry), KY_STATE_ERROR (the entry
    ///         is not available, or the feature is not writable now)
    KyResult SetValue(const KyString &aValue);
    /// The number of the feature's entries.
    ///
    /// @param[out] aCount receives the number of entries
    ///
    /// @return Includes: KY_OK
    KyResult GetEntriesCount(int64_t &aCount) const;
    /// Looks an entry up by its name.
    ///
    /// @param[in] aName the entry's name
    /// @param[out] aEntry receives the entry (owned by this feature), or null when there is none
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND
    KyResult GetEntryByName(const KyString &aName, const KyGenEnumEntry **aEntry) const;
    /// Looks an entry up by its position, in the order of the device description.
    ///
    /// @param[in] aIndex the position, from 0 to the number of entries minus one
    /// @param[out] aEntry receives the entry (owned by this feature), or null when there is none
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND (a position below 0 or past the last entry)
    KyResult GetEntryByIndex(int64_t aIndex, const KyGenEnumEntry **aEntry) const;
    /// Looks an entry up by its integer value.
    ///
    /// @param[in] aValue the entry's value
    /// @param[out] aEntry receives the entry (owned by this feature), or null when there is none
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND
    KyResult GetEntryByValue(int64_t aValue, const KyGenEnumEntry **aEntry) const;
    /// The feature's value as the name of its current entry.
    ///
    /// @param[out] aValue receives the entry's name
    ///
    /// @return Includes: KY_OK, KY_STATE_ERROR (not readable now), KY_NOT_FOUND (the device
    ///         holds a value that no entry has)
    KyResult GetValue(KyString &aValue) const;
    /// The feature's value as the integer value of its current entry.
    ///
    /// @param[out] aValue receives the value
    ///
    /// @return Includes: KY_OK, KY_STATE_ERROR (not readable now)
    KyResult GetValue(int64_t &aValue) const;

private:
    KY_LOCAL KyGenEnum(ky::gc::ArrayCore *aCore, ky::gc::Node *aNode);
    friend class ky::gc::ArrayCore;

    std::vector<std::unique_ptr<KyGenEnumEntry>> mEntries;
};
