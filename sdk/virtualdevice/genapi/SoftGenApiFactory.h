// SoftGenApiFactory: the GenApi factory a software device hands to its event sinks during Start.
// Records the attributes of the next feature, and on each Create* checks them and adds the
// feature to its own table (rendered after the device's tables). Overrides change the device's
// own tables in place.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "ky/virtualdevice/IKyGenApiFactory.h"
#include "genapi/SoftFeatureTable.h"

namespace ky::soft {

class SoftGenApiFactory : public IKyGenApiFactory
{
public:
    // The device's tables that overrides may change; they must outlive the factory.
    explicit SoftGenApiFactory(std::vector<SoftFeatureTable *> deviceTables);

    const SoftFeatureTable &Table() const { return mTable; }

    void SetName(const KyString &aName) override { mNext.name = aName.str(); }
    void SetDisplayName(const KyString &aDisplayName) override { mNext.displayName = aDisplayName.str(); }
    void SetCategory(const KyString &aCategory) override { mNext.category = aCategory.str(); }
    void SetCategory(const KyString &aCategory, const KyString &aSubCategory) override
    {
        mNext.category = aCategory.str() + "\\" + aSubCategory.str();
    }
    void SetDescription(const KyString &aDescription) override { mNext.description = aDescription.str(); }
    void SetToolTip(const KyString &aToolTip) override { mNext.toolTip = aToolTip.str(); }
    void SetAccessMode(KyGenAccessMode aAccessMode) override { mAccess = aAccessMode; }
    void SetRepresentation(KyGenRepresentation aRepresentation) override
    {
        mRepresentation = aRepresentation;
    }
    void SetVisibility(KyGenVisibility aVisibility) override { mVisibility = aVisibility; }
    void SetCachable(KyGenCache aCache) override { mCache = aCache; }
    void SetPollingTime(uint32_t aPollingTime) override { mNext.pollingTime = aPollingTime; }
    void SetNameSpace(KyGenNameSpace aNameSpace) override { mNameSpace = aNameSpace; }
    void SetTLLocked(bool aLocked) override { mTLLocked = aLocked; }
    void SetStreamable(bool aStreamable) override { mNext.streamable = aStreamable; }
    void SetUnit(const KyString &aUnit) override { mNext.unit = aUnit.str(); }
    void SetPValue(const KyString &aFeatureName) override { mNext.pValue = aFeatureName.str(); }
    void SetPIsAvailable(const KyString &aFeatureName) override { mNext.pIsAvailable = aFeatureName.str(); }
    void SetPIsLocked(const KyString &aFeatureName) override { mNext.pIsLocked = aFeatureName.str(); }
    void MapChunk(uint32_t aChunkID, uint32_t aAddress, size_t aLength, KyGenEndianness aEndianness) override;
    void MapEvent(uint32_t aEventID, uint32_t aAddress, size_t aLength, KyGenEndianness aEndianness,
                  bool aAdjustAddress) override;
    void AddSelected(const KyString &aFeatureName) override { mNext.selected.push_back(aFeatureName.str()); }
    void AddInvalidator(const KyString &aFeatureName) override
    {
        mNext.invalidators.push_back(aFeatureName.str());
    }
    void AddEnumEntry(const KyString &aName, uint32_t aValue) override;
    void AddEnumEntry(const KyString &aName, uint32_t aValue, const KyString &aDisplayName,
                      KyGenNameSpace aNameSpace) override;
    void AddVariable(const KyString &aFeatureName) override;

    KyResult CreateInteger(IKyRegister *aRegister, int64_t aMin, int64_t aMax, int64_t aInc) override;
    KyResult CreateInteger(IKyRegister *aRegister) override;
    KyResult CreateFloat(IKyRegister *aRegister, double aMin, double aMax) override;
    KyResult CreateFloat(IKyRegister *aRegister) override;
    KyResult CreateString(IKyRegister *aRegister) override;
    KyResult CreateRegister(IKyRegister *aRegister) override;
    KyResult CreateBoolean(IKyRegister *aRegister) override;
    KyResult CreateCommand(IKyRegister *aRegister) override;
    KyResult CreateEnum(IKyRegister *aRegister) override;
    KyResult CreateIntSwissKnife(const KyString &aFormula) override;
    KyResult CreateFloatSwissKnife(const KyString &aFormula) override;
    KyResult CreateIntConverter(const KyString &aValueFeatureName, const KyString &aFromFormula,
                                const KyString &aToFormula) override
    {
        return Convert(SoftFeatureKind::IntConverter, aValueFeatureName, aFromFormula, aToFormula);
    }
    KyResult CreateFloatConverter(const KyString &aValueFeatureName, const KyString &aFromFormula,
                                  const KyString &aToFormula) override
    {
        return Convert(SoftFeatureKind::Converter, aValueFeatureName, aFromFormula, aToFormula);
    }
    KyResult AddInvalidatorTo(const KyString &aStandardFeatureName,
                              const KyString &aInvalidatorFeatureName) override;
    KyResult SetPIsAvailableFor(const KyString &aStandardFeatureName, const KyString &aName) override
    {
        return Override(aStandardFeatureName, aName, &SoftFeature::pIsAvailable);
    }
    KyResult SetPIsAvailableForEnumEntry(const KyString &aStandardFeatureName, const KyString &aEnumEntryName,
                                         const KyString &aPIsAvailableFeatureName) override;
    KyResult SetPIsLockedFor(const KyString &aStandardFeatureName, const KyString &aName) override
    {
        return Override(aStandardFeatureName, aName, &SoftFeature::pIsLocked);
    }
    KyResult SetPValueFor(const KyString &aStandardFeatureName, const KyString &aName) override
    {
        return Override(aStandardFeatureName, aName, &SoftFeature::pValue);
    }
    KyResult SetPMinFor(const KyString &aStandardFeatureName, const KyString &aName) override
    {
        return Override(aStandardFeatureName, aName, &SoftFeature::pMin);
    }
    KyResult SetPMaxFor(const KyString &aStandardFeatureName, const KyString &aName) override
    {
        return Override(aStandardFeatureName, aName, &SoftFeature::pMax);
    }
    KyResult SetPIncFor(const KyString &aStandardFeatureName, const KyString &aName) override
    {
        return Override(aStandardFeatureName, aName, &SoftFeature::pInc);
    }
    void SetPMin(const KyString &aFeatureName) override { mNext.pMin = aFeatureName.str(); }
    void SetPMax(const KyString &aFeatureName) override { mNext.pMax = aFeatureName.str(); }
    void SetPInc(const KyString &aFeatureName) override { mNext.pInc = aFeatureName.str(); }

private:
    struct Mapping
    {
        bool set = false;
        bool event = false;
        uint32_t id = 0;
        uint32_t address = 0;
        size_t length = 0;
        bool littleEndian = true;
    };

    // Checks the pending attributes for a feature of that kind, adds it, and resets them.
    KyResult Create(SoftFeatureKind kind, IKyRegister *reg);
    KyResult Convert(SoftFeatureKind kind, const KyString &value, const KyString &from, const KyString &to);
    KyResult Check(SoftFeature &feature, IKyRegister *reg);
    KyResult Place(SoftFeature &feature, IKyRegister *reg);
    void Reset();
    // A feature of the device's tables or of this factory, or null.
    SoftFeature *Find(const std::string &name);
    KyResult Override(const KyString &feature, const KyString &reference, std::string SoftFeature::*field);
    // The feature to change, after checking the name of the feature that will refer to it.
    KyResult Target(const KyString &feature, const KyString &reference, SoftFeature *&target);

    std::vector<SoftFeatureTable *> mDeviceTables;
    SoftFeatureTable mTable;
    std::set<std::string> mNames;

    SoftFeature mNext;
    Mapping mMapping;
    KyGenAccessMode mAccess = KyGenAccessModeUndefined;
    KyGenRepresentation mRepresentation = KyGenRepresentationUndefined;
    KyGenVisibility mVisibility = KyGenVisibilityBeginner;
    KyGenCache mCache = KyGenCacheNone;
    KyGenNameSpace mNameSpace = KyGenNameSpaceCustom;
    bool mTLLocked = false;
    std::string mRangeError;  // constant bounds given to the creation call that make no range
};

}  // namespace ky::soft
