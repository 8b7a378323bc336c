#include "ky/genicam/KyGenEnum.h"

#include "ArrayCore.h"
#include "ValueAccess.h"
#include "nodes/Enumeration.h"

namespace {
ky::gc::Enumeration &Enum(ky::gc::Node *node) { return static_cast<ky::gc::Enumeration &>(*node); }
}  // namespace

KyGenEnum::KyGenEnum(ky::gc::ArrayCore *aCore, ky::gc::Node *aNode) : KyGenParameter(aCore, aNode)
{
    for (auto &entry : Enum(aNode).Entries())
        mEntries.push_back(std::unique_ptr<KyGenEnumEntry>(new KyGenEnumEntry(entry.get())));
}

KyGenEnum::~KyGenEnum() = default;

KyResult KyGenEnum::SetValue(int64_t aValue)
{
    return mCore->Change([&] {
        KyResult r = mNode->CheckWritable();
        return r.IsOK() ? mNode->SetInt(aValue) : r;
    });
}

KyResult KyGenEnum::SetValue(const KyString &aValue)
{
    return mCore->Change([&] { return ky::gc::CheckedSetString(*mNode, aValue.str()); });
}

KyResult KyGenEnum::GetEntriesCount(int64_t &aCount) const
{
    aCount = static_cast<int64_t>(mEntries.size());
    return KyResult();
}

KyResult KyGenEnum::GetEntryByName(const KyString &aName, const KyGenEnumEntry **aEntry) const
{
    if (!aEntry)
        return mNode->Error(KY_INVALID_PARAMETER, "was given a null entry pointer");
    *aEntry = nullptr;
    auto &entries = Enum(mNode).Entries();
    for (size_t k = 0; k < entries.size(); ++k) {
        if (entries[k]->Symbolic() == aName.str() || entries[k]->Name() == aName.str()) {
            *aEntry = mEntries[k].get();
            return KyResult();
        }
    }
    return mNode->Error(KY_NOT_FOUND, "has no entry named '" + aName.str() + "'");
}

KyResult KyGenEnum::GetEntryByIndex(int64_t aIndex, const KyGenEnumEntry **aEntry) const
{
    if (!aEntry)
        return mNode->Error(KY_INVALID_PARAMETER, "was given a null entry pointer");
    *aEntry = nullptr;
    if (aIndex < 0 || aIndex >= static_cast<int64_t>(mEntries.size()))
        return mNode->Error(KY_NOT_FOUND, "has no entry at index " + std::to_string(aIndex) + " (it has " +
                                              std::to_string(mEntries.size()) + ")");
    *aEntry = mEntries[static_cast<size_t>(aIndex)].get();
    return KyResult();
}

KyResult KyGenEnum::GetEntryByValue(int64_t aValue, const KyGenEnumEntry **aEntry) const
{
    if (!aEntry)
        return mNode->Error(KY_INVALID_PARAMETER, "was given a null entry pointer");
    *aEntry = nullptr;
    auto &entries = Enum(mNode).Entries();
    for (size_t k = 0; k < entries.size(); ++k) {
        if (entries[k]->Value() == aValue) {
            *aEntry = mEntries[k].get();
            return KyResult();
        }
    }
    return mNode->Error(KY_NOT_FOUND, "has no entry with the value " + std::to_string(aValue));
}

KyResult KyGenEnum::GetValue(KyString &aValue) const
{
    return mCore->Read([&] {
        std::string text;
        KyResult r = ky::gc::CheckedGetString(*mNode, text);
        if (r.IsOK())
            aValue = KyString(text);
        return r;
    });
}

KyResult KyGenEnum::GetValue(int64_t &aValue) const
{
    return mCore->Read([&] { return ky::gc::CheckedGetInt(*mNode, aValue); });
}
