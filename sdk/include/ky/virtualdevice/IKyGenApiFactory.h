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

    /// The next feature's name: a letter, then letters, digits or '_'.
    ///
    /// @param[in] aName the name
    virtual void SetName(const KyString &aName) = 0;
    /// The next feature's display name (made from its name when not set).
    ///
    /// @param[in] aDisplayName the display name
    virtual void SetDisplayName(const KyString &aDisplayName) = 0;
    /// The next feature's category; levels separated by a backslash. A feature without one is in no category.
    ///
    /// @param[in] aCategory the category
    virtual void SetCategory(const KyString &aCategory) = 0;
    /// The next feature's category and sub-category.
    ///
    /// @param[in] aCategory the category
    /// @param[in] aSubCategory the sub-category
    virtual void SetCategory(const KyString &aCategory, const KyString &aSubCategory) = 0;
    /// The next feature's description.
    ///
    /// @param[in] aDescription the description
    virtual void SetDescription(const KyString &aDescription) = 0;
    /// The next feature's tooltip.
    ///
    /// @param[in] aToolTip the tooltip
    virtual void SetToolTip(const KyString &aToolTip) = 0;
    /// The next feature's access mode (may differ from its register's).
    ///
    /// @param[in] aAccessMode a KyGenAccessMode value
    virtual void SetAccessMode(KyGenAccessMode aAccessMode) = 0;
    /// How clients show the next feature's value.
    ///
    /// @param[in] aRepresentation a KyGenRepresentation value
    virtual void SetRepresentation(KyGenRepresentation aRepresentation) = 0;
    /// The next feature's visibility.
    ///
    /// @param[in] aVisibility a KyGenVisibility value
    virtual void SetVisibility(KyGenVisibility aVisibility) = 0;
    /// How clients cache the next feature's value.
    ///
    /// @param[in] aCache a KyGenCache value
    virtual void SetCachable(KyGenCache aCache) = 0;
    /// How often clients refresh the next feature when it is not cached.
    ///
    /// @param[in] aPollingTime milliseconds
    virtual void SetPollingTime(uint32_t aPollingTime) = 0;
    /// The next feature's name space (Standard for SFNC features, Custom otherwise).
    ///
    /// @param[in] aNameSpace a KyGenNameSpace value
    virtual void SetNameSpace(KyGenNameSpace aNameSpace) = 0;
    /// Makes the next feature read-only while the device streams.
    ///
    /// @param[in] aLocked true to lock it
    virtual void SetTLLocked(bool aLocked) = 0;
    /// Takes the next feature into user sets and persistence files.
    ///
    /// @param[in] aStreamable true to take it
    virtual void SetStreamable(bool aStreamable) = 0;
    /// The next feature's unit, for display (integers, floats, SwissKnifes, Converters).
    ///
    /// @param[in] aUnit the unit
    virtual void SetUnit(const KyString &aUnit) = 0;
    /// The feature that supplies the next feature's value (create it without a register).
    ///
    /// @param[in] aFeatureName the feature's name
    virtual void SetPValue(const KyString &aFeatureName) = 0;
    /// The feature that decides whether the next feature is available.
    ///
    /// @param[in] aFeatureName the feature's name
    virtual void SetPIsAvailable(const KyString &aFeatureName) = 0;
    virtual void SetPIsLocked(const KyString &aFeatureName) = 0;
    /// Maps the next feature to data of a chunk instead of a register.
    ///
    /// @param[in] aChunkID the chunk
    /// @param[in] aAddress the byte offset in the chunk's data
    /// @param[in] aLength the byte length
    /// @param[in] aEndianness a KyGenEndianness value
    virtual void MapChunk(uint32_t aChunkID, uint32_t aAddress, size_t aLength,
                          KyGenEndianness aEndianness = KyGenEndiannessLittle) = 0;
    /// Maps the next feature to data of a message-channel event instead of a register.
    ///
    /// @param[in] aEventID the event
    /// @param[in] aAddress the byte offset in the event's data
    /// @param[in] aLength the byte length
    /// @param[in] aEndianness a KyGenEndianness value
    /// @param[in] aAdjustAddress kept for compatibility; the address counts from the event's data
    virtual void MapEvent(uint32_t aEventID, uint32_t aAddress, size_t aLength,
                          KyGenEndianness aEndianness = KyGenEndiannessLittle,
                          bool aAdjustAddress = true) = 0;
    /// Makes the next feature a selector of the named feature.
    ///
    /// @param[in] aFeatureName the selected feature
    virtual void AddSelected(const KyString &aFeatureName) = 0;
    /// Writing the named feature drops the next feature's cached value.
    ///
    /// @param[in] aFeatureName the invalidating feature
    virtual void AddInvalidator(const KyString &aFeatureName) = 0;
    /// Adds an entry to the next enumeration.
    ///
    /// @param[in] aName the entry's name
    /// @param[in] aValue its value
    virtual void AddEnumEntry(const KyString &aName, uint32_t aValue) = 0;
    /// Adds an entry to the next enumeration, with a display name.
    ///
    /// @param[in] aName the entry's name
    /// @param[in] aValue its value
    /// @param[in] aDisplayName its display name; empty makes one from the name
    /// @param[in] aNameSpace a KyGenNameSpace value
    virtual void AddEnumEntry(const KyString &aName, uint32_t aValue, const KyString &aDisplayName,
                              KyGenNameSpace aNameSpace = KyGenNameSpaceCustom) = 0;
    /// Declares a feature that the next SwissKnife's or Converter's formula uses.
    ///
    /// @param[in] aFeatureName the feature's exact name
    virtual void AddVariable(const KyString &aFeatureName) = 0;

    /// Creates an integer feature with constant bounds.
    ///
    /// @param[in] aRegister the register behind it
    /// @param[in] aMin the minimum
    /// @param[in] aMax the maximum
    /// @param[in] aInc the increment
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (see the top of the file)
    virtual KyResult CreateInteger(IKyRegister *aRegister, int64_t aMin, int64_t aMax, int64_t aInc = 1) = 0;
    /// Creates an integer feature.
    ///
    /// @param[in] aRegister the register behind it; null for a chunk, event or pValue mapping
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (see the top of the file)
    virtual KyResult CreateInteger(IKyRegister *aRegister = nullptr) = 0;
    /// Creates a float feature with constant bounds.
    ///
    /// @param[in] aRegister the register behind it
    /// @param[in] aMin the minimum
    /// @param[in] aMax the maximum
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (see the top of the file)
    virtual KyResult CreateFloat(IKyRegister *aRegister, double aMin, double aMax) = 0;
    /// Creates a float feature.
    ///
    /// @param[in] aRegister the register behind it; null for a chunk, event or pValue mapping
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (see the top of the file)
    virtual KyResult CreateFloat(IKyRegister *aRegister = nullptr) = 0;
    /// Creates a string feature.
    ///
    /// @param[in] aRegister the byte array behind it
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (see the top of the file)
    virtual KyResult CreateString(IKyRegister *aRegister = nullptr) = 0;
    /// Creates a register feature (raw bytes).
    ///
    /// @param[in] aRegister the byte array behind it
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (see the top of the file)
    virtual KyResult CreateRegister(IKyRegister *aRegister = nullptr) = 0;
    /// Creates a boolean feature.
    ///
    /// @param[in] aRegister the register behind it
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (see the top of the file)
    virtual KyResult CreateBoolean(IKyRegister *aRegister = nullptr) = 0;
    /// Creates a command feature.
    ///
    /// @param[in] aRegister the register behind it
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (see the top of the file)
    virtual KyResult CreateCommand(IKyRegister *aRegister = nullptr) = 0;
    /// Creates an enumeration feature with the entries added since the last creation.
    ///
    /// @param[in] aRegister the register behind it
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (no entries; see the top of the file)
    virtual KyResult CreateEnum(IKyRegister *aRegister = nullptr) = 0;
    /// Creates a read-only integer feature computed by a formula of constants and AddVariable features.
    ///
    /// @param[in] aFormula the formula
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (empty formula)
    virtual KyResult CreateIntSwissKnife(const KyString &aFormula) = 0;
    /// Creates a read-only float feature computed by a formula.
    ///
    /// @param[in] aFormula the formula
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (empty formula)
    virtual KyResult CreateFloatSwissKnife(const KyString &aFormula) = 0;
    /// Creates an integer feature that reads and writes another one through two formulas.
    ///
    /// @param[in] aValueFeatureName the feature read and written
    /// @param[in] aFromFormula used when read, the raw value as TO
    /// @param[in] aToFormula used when written, the value as FROM
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (empty name or formula)
    virtual KyResult CreateIntConverter(const KyString &aValueFeatureName, const KyString &aFromFormula,
                                        const KyString &aToFormula) = 0;
    /// Creates a float feature that reads and writes another one through two formulas.
    ///
    /// @param[in] aValueFeatureName the feature read and written
    /// @param[in] aFromFormula used when read, the raw value as TO
    /// @param[in] aToFormula used when written, the value as FROM
    ///
    /// @return KY_OK, KY_NOT_INITIALIZED (no name), KY_INVALID_PARAMETER (empty name or formula)
    virtual KyResult CreateFloatConverter(const KyString &aValueFeatureName, const KyString &aFromFormula,
                                          const KyString &aToFormula) = 0;
    /// Writing a feature drops a standard feature's cached value.
    ///
    /// @param[in] aStandardFeatureName the device's feature
    /// @param[in] aInvalidatorFeatureName the invalidating feature
    ///
    /// @return KY_OK, KY_NOT_FOUND, KY_INVALID_PARAMETER
    virtual KyResult AddInvalidatorTo(const KyString &aStandardFeatureName,
                                      const KyString &aInvalidatorFeatureName) = 0;
    /// A feature decides whether a standard feature is available.
    ///
    /// @param[in] aStandardFeatureName the device's feature
    /// @param[in] aPIsAvailableFeatureName the deciding feature
    ///
    /// @return KY_OK, KY_NOT_FOUND, KY_INVALID_PARAMETER
    virtual KyResult SetPIsAvailableFor(const KyString &aStandardFeatureName,
                                        const KyString &aPIsAvailableFeatureName) = 0;
    /// A feature decides whether an entry of a standard enumeration is available.
    ///
    /// @param[in] aStandardFeatureName the device's enumeration
    /// @param[in] aEnumEntryName the entry
    /// @param[in] aPIsAvailableFeatureName the deciding feature
    ///
    /// @return KY_OK, KY_NOT_FOUND, KY_INVALID_PARAMETER
    virtual KyResult SetPIsAvailableForEnumEntry(const KyString &aStandardFeatureName,
                                                 const KyString &aEnumEntryName,
                                                 const KyString &aPIsAvailableFeatureName) = 0;
    virtual KyResult SetPIsLockedFor(const KyString &aStandardFeatureName,
                                     const KyString &aPIsLockedFeatureName) = 0;
    /// A feature supplies a standard feature's value.
    ///
    /// @param[in] aStandardFeatureName the device's feature
    /// @param[in] aPValueFeatureName the supplying feature
    ///
    /// @return KY_OK, KY_NOT_FOUND, KY_INVALID_PARAMETER
    virtual KyResult SetPValueFor(const KyString &aStandardFeatureName,
                                  const KyString &aPValueFeatureName) = 0;
    /// A feature supplies a standard feature's minimum.
    ///
    /// @param[in] aStandardFeatureName the device's feature
    /// @param[in] aPMinFeatureName the supplying feature
    ///
    /// @return KY_OK, KY_NOT_FOUND, KY_INVALID_PARAMETER
    virtual KyResult SetPMinFor(const KyString &aStandardFeatureName, const KyString &aPMinFeatureName) = 0;
    /// A feature supplies a standard feature's maximum.
    ///
    /// @param[in] aStandardFeatureName the device's feature
    /// @param[in] aPMaxFeatureName the supplying feature
    ///
    /// @return KY_OK, KY_NOT_FOUND, KY_INVALID_PARAMETER
    virtual KyResult SetPMaxFor(const KyString &aStandardFeatureName, const KyString &aPMaxFeatureName) = 0;
    /// A feature supplies a standard feature's increment.
    ///
    /// @param[in] aStandardFeatureName the device's feature
    /// @param[in] aPIncFeatureName the supplying feature
    ///
    /// @return KY_OK, KY_NOT_FOUND, KY_INVALID_PARAMETER
    virtual KyResult SetPIncFor(const KyString &aStandardFeatureName, const KyString &aPIncFeatureName) = 0;
    /// The feature that supplies the next feature's minimum (integer or float).
    ///
    /// @param[in] aFeatureName the feature's name
    virtual void SetPMin(const KyString &aFeatureName) = 0;
    /// The feature that supplies the next feature's maximum (integer or float).
    ///
    /// @param[in] aFeatureName the feature's name
    virtual void SetPMax(const KyString &aFeatureName) = 0;
    /// The feature that supplies the next integer feature's increment.
    ///
    /// @param[in] aFeatureName the feature's name
    virtual void SetPInc(const KyString &aFeatureName) = 0;
};
