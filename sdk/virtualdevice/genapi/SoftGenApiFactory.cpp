#include "genapi/SoftGenApiFactory.h"

#include <cstdio>
#include <sstream>

#include "ky/virtualdevice/IKyRegister.h"
#include "features/FeatureXml.h"

namespace ky::soft {

namespace {

using Kind = SoftFeatureKind;

KyResult Invalid(const std::string &name, const std::string &what)
{
    return KyResult(KY_INVALID_PARAMETER, KyString("[" + name + "] " + what));
}

const char *AccessText(KyGenAccessMode mode)
{
    switch (mode) {
    case KyGenAccessModeReadOnly:
        return "RO";
    case KyGenAccessModeWriteOnly:
        return "WO";
    default:
        return "RW";
    }
}

const char *RepresentationText(KyGenRepresentation r)
{
    switch (r) {
    case KyGenRepresentationLinear:
        return "Linear";
    case KyGenRepresentationLogarithmic:
        return "Logarithmic";
    case KyGenRepresentationBoolean:
        return "Boolean";
    case KyGenRepresentationPureNumber:
        return "PureNumber";
    case KyGenRepresentationHexNumber:
        return "HexNumber";
    case KyGenRepresentationIPV4Address:
        return "IPV4Address";
    case KyGenRepresentationMACAddress:
        return "MACAddress";
    default:
        return "";
    }
}

const char *VisibilityText(KyGenVisibility v)
{
    switch (v) {
    case KyGenVisibilityExpert:
        return "Expert";
    case KyGenVisibilityGuru:
        return "Guru";
    case KyGenVisibilityInvisible:
        return "Invisible";
    default:
        return "Beginner";
    }
}

const char *CacheText(KyGenCache c)
{
    switch (c) {
    case KyGenCacheWriteThrough:
        return "WriteThrough";
    case KyGenCacheWriteAround:
        return "WriteAround";
    default:
        return "NoCache";
    }
}

// Shortest text that reads back as the same double.
std::string FloatText(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.17g", value);
    return text;
}

bool IntegerLike(Kind kind)
{
    return kind == Kind::Integer || kind == Kind::Boolean || kind == Kind::Command ||
           kind == Kind::Enumeration;
}

}  // namespace

SoftGenApiFactory::SoftGenApiFactory(std::vector<SoftFeatureTable *> deviceTables)
    : mDeviceTables(std::move(deviceTables))
{
    mTable.owner = "custom features";
    for (SoftFeatureTable *table : mDeviceTables) {
        for (const SoftFeature &f : table->features) {
            mNames.insert(f.name);
            if (!ky::gc::FeatureXml::RegisterNodeName(f).empty()) {
                mNames.insert(ky::gc::FeatureXml::RegisterNodeName(f));
            }
        }
        for (const SoftPort &p : table->ports) {
            mNames.insert(p.name);
        }
    }
    Reset();
}

void SoftGenApiFactory::Reset()
{
    mNext = SoftFeature();
    mMapping = Mapping();
    mAccess = KyGenAccessModeUndefined;
    mRepresentation = KyGenRepresentationUndefined;
    mVisibility = KyGenVisibilityBeginner;
    mCache = KyGenCacheNone;
    mNameSpace = KyGenNameSpaceCustom;
    mTLLocked = false;
    mRangeError.clear();
}

void SoftGenApiFactory::MapChunk(uint32_t aChunkID, uint32_t aAddress, size_t aLength,
                                 KyGenEndianness aEndianness)
{
    mMapping = Mapping{true, false, aChunkID, aAddress, aLength, aEndianness != KyGenEndiannessBig};
}

// The event port shows the event's data as the program passed it to FireEvent, so the address
// counts from the start of that data either way.
void SoftGenApiFactory::MapEvent(uint32_t aEventID, uint32_t aAddress, size_t aLength,
                                 KyGenEndianness aEndianness, bool aAdjustAddress)
{
    (void)aAdjustAddress;
    mMapping = Mapping{true, true, aEventID, aAddress, aLength, aEndianness != KyGenEndiannessBig};
}

void SoftGenApiFactory::AddEnumEntry(const KyString &aName, uint32_t aValue)
{
    mNext.entries.push_back({aName.str(), aValue, {}, {}, true});
}

void SoftGenApiFactory::AddEnumEntry(const KyString &aName, uint32_t aValue, const KyString &aDisplayName,
                                     KyGenNameSpace aNameSpace)
{
    mNext.entries.push_back(
        {aName.str(), aValue, aDisplayName.str(), {}, aNameSpace != KyGenNameSpaceStandard});
}

void SoftGenApiFactory::AddVariable(const KyString &aFeatureName)
{
    mNext.variables.push_back({aFeatureName.str(), aFeatureName.str()});
}

// Where the value lives: chunk or event data, the register, or (nothing to place) a pValue.
KyResult SoftGenApiFactory::Place(SoftFeature &f, IKyRegister *reg)
{
    const bool integer = IntegerLike(f.kind);
    size_t length = 0;
    if (mMapping.set) {
        char port[32];
        std::snprintf(port, sizeof(port), "%s%08X", mMapping.event ? "EventPort" : "ChunkPort", mMapping.id);
        f.port = port;
        f.address = mMapping.address;
        f.littleEndian = mMapping.littleEndian;
        length = mMapping.length;
        if (mNames.insert(port).second) {
            mTable.ports.push_back({port, mMapping.event, mMapping.id});
        }
        if (mAccess == KyGenAccessModeUndefined) {
            mAccess = KyGenAccessModeReadOnly;
        }
    } else if (reg != nullptr) {
        f.address = reg->GetAddress();
        length = reg->GetLength();
        if (mAccess == KyGenAccessModeUndefined) {
            mAccess = reg->IsReadable() && reg->IsWritable() ? KyGenAccessModeReadWrite
                      : reg->IsReadable()                    ? KyGenAccessModeReadOnly
                                                             : KyGenAccessModeWriteOnly;
        }
        if ((mAccess != KyGenAccessModeWriteOnly && !reg->IsReadable()) ||
            (mAccess != KyGenAccessModeReadOnly && !reg->IsWritable())) {
            return Invalid(f.name, std::string("register '") + reg->GetName().str() +
                                       "' does not allow access " + AccessText(mAccess));
        }
    } else if (!f.pValue.empty() && f.kind != Kind::StringReg && f.kind != Kind::Register) {
        return KyResult(KY_OK);
    } else {
        return Invalid(f.name, f.kind == Kind::Command
                                   ? "a command needs a register or a pValue"
                                   : "needs a register, a chunk or event mapping, or a pValue");
    }
    const bool fits = integer                 ? (length == 1 || length == 2 || length == 4 || length == 8)
                      : f.kind == Kind::Float ? (length == 4 || length == 8)
                                              : (length > 0 && length <= 0xFFFFFFFFu);
    if (!fits) {
        return Invalid(f.name, "cannot be " + std::to_string(length) + " bytes long");
    }
    f.length = static_cast<uint32_t>(length);
    f.access = AccessText(mAccess);
    return KyResult(KY_OK);
}

KyResult SoftGenApiFactory::Check(SoftFeature &f, IKyRegister *reg)
{
    if (f.name.empty()) {
        return KyResult(KY_NOT_INITIALIZED, "a feature needs a name: SetName comes before its creation");
    }
    if (!ky::gc::FeatureXml::IsValidName(f.name)) {
        return Invalid(f.name, "is not a valid feature name (a letter, then letters, digits or '_')");
    }
    if (!f.category.empty() && !ky::gc::FeatureXml::IsValidCategory(f.category)) {
        return Invalid(f.name, "category '" + f.category + "' is not a valid category path");
    }
    if (mNames.count(f.name) != 0 || mNames.count(f.name + "Reg") != 0) {
        return Invalid(f.name, "is already declared");
    }
    if (!mRangeError.empty()) {
        return Invalid(f.name, mRangeError);
    }
    if ((f.kind == Kind::IntSwissKnife || f.kind == Kind::SwissKnife) && f.formula.empty()) {
        return Invalid(f.name, "a SwissKnife needs a formula");
    }
    if ((f.kind == Kind::IntConverter || f.kind == Kind::Converter) &&
        (f.pValue.empty() || f.formulaFrom.empty() || f.formulaTo.empty())) {
        return Invalid(f.name, "a converter needs the feature it converts and both formulas");
    }
    if (f.kind == Kind::Command && mMapping.set) {
        return Invalid(f.name, "a command cannot be mapped to chunk or event data");
    }
    if (f.kind == Kind::Enumeration && f.entries.empty()) {
        return Invalid(f.name, "an enumeration needs entries (AddEnumEntry)");
    }
    for (const SoftEnumEntry &e : f.entries) {
        if (f.kind == Kind::Enumeration && !ky::gc::FeatureXml::IsValidName(e.name)) {
            return Invalid(f.name, "entry '" + e.name + "' is not a valid name");
        }
    }
    if (f.kind != Kind::Enumeration) {
        f.entries.clear();
    }
    if (f.kind != Kind::IntSwissKnife && f.kind != Kind::SwissKnife && f.kind != Kind::IntConverter &&
        f.kind != Kind::Converter) {
        f.variables.clear();
    } else {
        return KyResult(KY_OK);  // formulas need no register
    }
    return Place(f, reg);
}

KyResult SoftGenApiFactory::Create(Kind kind, IKyRegister *reg)
{
    SoftFeature f = mNext;
    f.kind = kind;
    f.custom = mNameSpace != KyGenNameSpaceStandard;
    f.visibility = VisibilityText(mVisibility);
    f.cachable = CacheText(mCache);
    f.representation = RepresentationText(mRepresentation);
    if (mTLLocked && f.pIsLocked.empty()) {
        f.pIsLocked = "TLParamsLocked";
    }
    if (mAccess != KyGenAccessModeUndefined) {
        f.access = AccessText(mAccess);
    }
    KyResult result = Check(f, reg);
    if (result.IsOK()) {
        mNames.insert(f.name);
        if (!ky::gc::FeatureXml::RegisterNodeName(f).empty()) {
            mNames.insert(ky::gc::FeatureXml::RegisterNodeName(f));
        }
        mTable.features.push_back(std::move(f));
    }
    Reset();
    return result;
}

KyResult SoftGenApiFactory::CreateInteger(IKyRegister *aRegister, int64_t aMin, int64_t aMax, int64_t aInc)
{
    if (aMin > aMax || aInc <= 0) {
        mRangeError = "minimum " + std::to_string(aMin) + ", maximum " + std::to_string(aMax) +
                      " and increment " + std::to_string(aInc) + " make no range";
    }
    mNext.Range(std::to_string(aMin), std::to_string(aMax), std::to_string(aInc));
    return Create(Kind::Integer, aRegister);
}

KyResult SoftGenApiFactory::CreateInteger(IKyRegister *aRegister) { return Create(Kind::Integer, aRegister); }

KyResult SoftGenApiFactory::CreateFloat(IKyRegister *aRegister, double aMin, double aMax)
{
    if (!(aMin <= aMax)) {
        mRangeError = "minimum " + FloatText(aMin) + " and maximum " + FloatText(aMax) + " make no range";
    }
    mNext.Range(FloatText(aMin), FloatText(aMax));
    return Create(Kind::Float, aRegister);
}

KyResult SoftGenApiFactory::CreateFloat(IKyRegister *aRegister) { return Create(Kind::Float, aRegister); }
KyResult SoftGenApiFactory::CreateString(IKyRegister *aRegister)
{
    return Create(Kind::StringReg, aRegister);
}
KyResult SoftGenApiFactory::CreateRegister(IKyRegister *aRegister)
{
    return Create(Kind::Register, aRegister);
}
KyResult SoftGenApiFactory::CreateBoolean(IKyRegister *aRegister) { return Create(Kind::Boolean, aRegister); }
KyResult SoftGenApiFactory::CreateCommand(IKyRegister *aRegister) { return Create(Kind::Command, aRegister); }
KyResult SoftGenApiFactory::CreateEnum(IKyRegister *aRegister)
{
    return Create(Kind::Enumeration, aRegister);
}

KyResult SoftGenApiFactory::CreateIntSwissKnife(const KyString &aFormula)
{
    mNext.formula = aFormula.str();
    return Create(Kind::IntSwissKnife, nullptr);
}

KyResult SoftGenApiFactory::CreateFloatSwissKnife(const KyString &aFormula)
{
    mNext.formula = aFormula.str();
    return Create(Kind::SwissKnife, nullptr);
}

KyResult SoftGenApiFactory::Convert(Kind kind, const KyString &value, const KyString &from,
                                    const KyString &to)
{
    mNext.pValue = value.str();
    mNext.formulaFrom = from.str();
    mNext.formulaTo = to.str();
    return Create(kind, nullptr);
}

SoftFeature *SoftGenApiFactory::Find(const std::string &name)
{
    for (SoftFeatureTable *table : mDeviceTables) {
        for (SoftFeature &f : table->features) {
            if (f.name == name) {
                return &f;
            }
        }
    }
    for (SoftFeature &f : mTable.features) {
        if (f.name == name) {
            return &f;
        }
    }
    return nullptr;
}

KyResult SoftGenApiFactory::Override(const KyString &feature, const KyString &reference,
                                     std::string SoftFeature::*field)
{
    SoftFeature *target = nullptr;
    KyResult result = Target(feature, reference, target);
    if (result.IsOK()) {
        target->*field = reference.str();
    }
    return result;
}

KyResult SoftGenApiFactory::Target(const KyString &feature, const KyString &reference, SoftFeature *&target)
{
    if (!ky::gc::FeatureXml::IsValidName(reference.str())) {
        return Invalid(feature.str(), "'" + reference.str() + "' is not a valid feature name");
    }
    target = Find(feature.str());
    if (target == nullptr) {
        return KyResult(KY_NOT_FOUND, KyString("[" + feature.str() + "] is not a feature of the device"));
    }
    return KyResult(KY_OK);
}

KyResult SoftGenApiFactory::AddInvalidatorTo(const KyString &aStandardFeatureName,
                                             const KyString &aInvalidatorFeatureName)
{
    SoftFeature *target = nullptr;
    KyResult result = Target(aStandardFeatureName, aInvalidatorFeatureName, target);
    if (result.IsOK()) {
        target->invalidators.push_back(aInvalidatorFeatureName.str());
    }
    return result;
}

KyResult SoftGenApiFactory::SetPIsAvailableForEnumEntry(const KyString &aStandardFeatureName,
                                                        const KyString &aEnumEntryName,
                                                        const KyString &aPIsAvailableFeatureName)
{
    SoftFeature *target = nullptr;
    KyResult result = Target(aStandardFeatureName, aPIsAvailableFeatureName, target);
    if (result.IsFailure()) {
        return result;
    }
    for (SoftEnumEntry &entry : target->entries) {
        if (entry.name == aEnumEntryName.str()) {
            entry.pIsAvailable = aPIsAvailableFeatureName.str();
            return KyResult(KY_OK);
        }
    }
    return KyResult(KY_NOT_FOUND, KyString("[" + aStandardFeatureName.str() + "] has no entry '" +
                                           aEnumEntryName.str() + "'"));
}

}  // namespace ky::soft
