// IKyGenApiFactory: declares GenICam features of a software device while it starts
// (IKySoftDeviceGEVEventSink::OnCreateCustomGenApiFeatures). Usable only inside that callback;
// the device owns the factory.
//
// Works like a form: the Set*/Add*/Map* calls record attributes of the next feature, and one
// Create* call adds that feature to the device's GenICam XML and resets every attribute.
// - Names: a letter, then letters, digits or '_'. Categories the same, levels separated by a
//   backslash ("EventControl\\EventTestData"). A feature without a category is in no category.
// - Without SetDisplayName a display name is made from the name ("WidthMax" shows as
//   "Width Max"; the first word of the last category level is dropped from its front).
// - A feature maps to the register given to its creation call, or to chunk or event data
//   (MapChunk, MapEvent), or takes its value from another feature (SetPValue: pass no register).
// - AddEnumEntry entries go to the next CreateEnum; AddVariable variables to the next SwissKnife
//   or Converter (the formula uses the feature's exact name). A pMin/pMax/pInc takes precedence
//   over constant bounds.
// - AddSelected(X): the new feature is a selector of X (X's value depends on it); AddInvalidator(X):
//   writing X drops the new feature's cached value.
// - MapEvent: the address counts from the start of the event's data (what the program passes to
//   FireEvent); aAdjustAddress changes nothing.
// - SetTLLocked makes the feature read-only while TLParamsLocked is set (while streaming).
//
// Create* results: KY_OK; KY_NOT_INITIALIZED without SetName; KY_INVALID_PARAMETER for a null
// register without a chunk, event or pValue mapping (CreateCommand: without a pValue), a
// CreateEnum without entries, an empty formula or converter reference, an invalid name or
// category, a name already declared, or a register unfit for the feature (size, access). The
// description names the feature and the rule. The attributes are reset after every Create*,
// whether it succeeded or not.
// Override results (features the device defines itself): KY_OK; KY_NOT_FOUND for an unknown
// standard feature or enumeration entry; KY_INVALID_PARAMETER for an empty or invalid name.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstddef>
#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class IKyRegister;

class KY_VIRTUALDEVICE_API IKyGenApiFactory
{
public:
    virtual ~IKyGenApiFactory() { }

    virtual void SetName(const KyString &aName) = 0;
    virtual void SetDisplayName(const KyString &aDisplayName) = 0;
    virtual void SetCategory(const KyString &aCategory) = 0;
    // A sub-category of a category: the same as SetCategory(aCategory + "\\" + aSubCategory).
    virtual void SetCategory(const KyString &aCategory, const KyString &aSubCategory) = 0;
    virtual void SetDescription(const KyString &aDescription) = 0;
    virtual void SetToolTip(const KyString &aToolTip) = 0;
    virtual void SetAccessMode(KyGenAccessMode aAccessMode) = 0;
    virtual void SetRepresentation(KyGenRepresentation aRepresentation) = 0;
    virtual void SetVisibility(KyGenVisibility aVisibility) = 0;
    virtual void SetCachable(KyGenCache aCache) = 0;
    virtual void SetPollingTime(uint32_t aPollingTime) = 0;
    virtual void SetNameSpace(KyGenNameSpace aNameSpace) = 0;
    virtual void SetTLLocked(bool aLocked) = 0;
    virtual void SetStreamable(bool aStreamable) = 0;
    virtual void SetUnit(const KyString &aUnit) = 0;
    virtual void SetPValue(const KyString &aFeatureName) = 0;
    virtual void SetPIsAvailable(const KyString &aFeatureName) = 0;
    virtual void SetPIsLocked(const KyString &aFeatureName) = 0;
    virtual void MapChunk(uint32_t aChunkID, uint32_t aAddress, size_t aLength,
                          KyGenEndianness aEndianness = KyGenEndiannessLittle) = 0;
    virtual void MapEvent(uint32_t aEventID, uint32_t aAddress, size_t aLength,
                          KyGenEndianness aEndianness = KyGenEndiannessLittle,
                          bool aAdjustAddress = true) = 0;
    virtual void AddSelected(const KyString &aFeatureName) = 0;
    virtual void AddInvalidator(const KyString &aFeatureName) = 0;
    virtual void AddEnumEntry(const KyString &aName, uint32_t aValue) = 0;
    // An empty display name lets the device make one from the entry's name.
    virtual void AddEnumEntry(const KyString &aName, uint32_t aValue, const KyString &aDisplayName,
                              KyGenNameSpace aNameSpace = KyGenNameSpaceCustom) = 0;
    virtual void AddVariable(const KyString &aFeatureName) = 0;

    // No register (null): a feature mapped to chunk or event data, or with a pValue.
    virtual KyResult CreateInteger(IKyRegister *aRegister, int64_t aMin, int64_t aMax, int64_t aInc = 1) = 0;
    virtual KyResult CreateInteger(IKyRegister *aRegister = nullptr) = 0;
    virtual KyResult CreateFloat(IKyRegister *aRegister, double aMin, double aMax) = 0;
    virtual KyResult CreateFloat(IKyRegister *aRegister = nullptr) = 0;
    virtual KyResult CreateString(IKyRegister *aRegister = nullptr) = 0;
    virtual KyResult CreateRegister(IKyRegister *aRegister = nullptr) = 0;
    virtual KyResult CreateBoolean(IKyRegister *aRegister = nullptr) = 0;
    virtual KyResult CreateCommand(IKyRegister *aRegister = nullptr) = 0;
    virtual KyResult CreateEnum(IKyRegister *aRegister = nullptr) = 0;
    virtual KyResult CreateIntSwissKnife(const KyString &aFormula) = 0;
    virtual KyResult CreateFloatSwissKnife(const KyString &aFormula) = 0;
    // Reads aValueFeatureName through aFromFormula (its value as TO) and writes it through
    // aToFormula (the value written as FROM).
    virtual KyResult CreateIntConverter(const KyString &aValueFeatureName, const KyString &aFromFormula,
                                        const KyString &aToFormula) = 0;
    virtual KyResult CreateFloatConverter(const KyString &aValueFeatureName, const KyString &aFromFormula,
                                          const KyString &aToFormula) = 0;
    virtual KyResult AddInvalidatorTo(const KyString &aStandardFeatureName,
                                      const KyString &aInvalidatorFeatureName) = 0;
    virtual KyResult SetPIsAvailableFor(const KyString &aStandardFeatureName,
                                        const KyString &aPIsAvailableFeatureName) = 0;
    virtual KyResult SetPIsAvailableForEnumEntry(const KyString &aStandardFeatureName,
                                                 const KyString &aEnumEntryName,
                                                 const KyString &aPIsAvailableFeatureName) = 0;
    virtual KyResult SetPIsLockedFor(const KyString &aStandardFeatureName,
                                     const KyString &aPIsLockedFeatureName) = 0;
    virtual KyResult SetPValueFor(const KyString &aStandardFeatureName,
                                  const KyString &aPValueFeatureName) = 0;
    virtual KyResult SetPMinFor(const KyString &aStandardFeatureName, const KyString &aPMinFeatureName) = 0;
    virtual KyResult SetPMaxFor(const KyString &aStandardFeatureName, const KyString &aPMaxFeatureName) = 0;
    virtual KyResult SetPIncFor(const KyString &aStandardFeatureName, const KyString &aPIncFeatureName) = 0;
    virtual void SetPMin(const KyString &aFeatureName) = 0;
    virtual void SetPMax(const KyString &aFeatureName) = 0;
    virtual void SetPInc(const KyString &aFeatureName) = 0;
};
