#include "features/FeatureSet.h"

#include <cstring>

#include "ky/ByteOrder.h"

namespace ky::gc {
namespace {

constexpr uint32_t kFloatLength = 8;

const char *AccessOf(const HostFeature &f)
{
    if (f.spec.kind == FeatureKind::Command || (f.set && !f.get))
        return "WO";
    return f.set && f.spec.kind != FeatureKind::Float ? "RW" : "RO";
}

}  // namespace

HostFeature HostFeature::Make(FeatureKind kind, std::string name, std::string category, std::string toolTip)
{
    HostFeature f;
    f.spec = FeatureSpec::Make(kind, std::move(name)).In(std::move(category)).Tip(std::move(toolTip));
    f.spec.custom = true;
    return f;
}

FeatureSet::FeatureSet(FeatureDocument document, Registers registers)
    : mDocument(std::move(document)), mRegisters(registers), mNextAddress(registers.base)
{
    if (mRegisters.integerLength == 0 || mRegisters.integerLength > 8)
        mRegisters.integerLength = 8;
    mTable.owner = mDocument.modelName;
}

void FeatureSet::Add(HostFeature feature)
{
    FeatureSpec &spec = feature.spec;
    const bool isFloat = spec.kind == FeatureKind::Float;
    spec.address = static_cast<uint32_t>(mNextAddress);
    spec.length = isFloat ? kFloatLength : mRegisters.integerLength;
    spec.isSigned = mRegisters.signedIntegers;
    spec.littleEndian = false;
    spec.access = AccessOf(feature);
    spec.port.clear();
    mNextAddress += spec.length;
    mTable.features.push_back(spec);
    mFeatures.push_back(std::move(feature));
}

KyResult FeatureSet::Xml(std::string &xml) const { return mDocument.Render({&mTable}, xml); }

KyResult FeatureSet::Load(KyGenParameterArray &array)
{
    std::string xml;
    KyResult result = Xml(xml);
    if (!result.IsOK())
        return result;
    return array.Load(KyString(xml), this);
}

const HostFeature *FeatureSet::Find(uint64_t address, uint32_t length) const
{
    for (const HostFeature &f : mFeatures)
        if (f.spec.address && *f.spec.address == address && f.spec.length == length)
            return &f;
    return nullptr;
}

KyResult FeatureSet::ReadPort(uint64_t address, void *data, uint32_t length)
{
    const HostFeature *f = Find(address, length);
    if (f == nullptr || data == nullptr)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("no " + mDocument.modelName + " feature register at this address"));
    uint64_t raw = 0;
    KyResult result;
    if (f->spec.kind == FeatureKind::Float) {
        double value = 0.0;
        if (f->getFloat)
            result = f->getFloat(value);
        std::memcpy(&raw, &value, sizeof raw);
    } else if (f->get) {
        int64_t value = 0;
        result = f->get(value);
        raw = static_cast<uint64_t>(value);
    }
    base::StoreUnsigned(static_cast<uint8_t *>(data), length, base::Endian::Big, raw);
    return result;
}

KyResult FeatureSet::WritePort(uint64_t address, const void *data, uint32_t length)
{
    const HostFeature *f = Find(address, length);
    if (f == nullptr || data == nullptr)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("no " + mDocument.modelName + " feature register at this address"));
    if (!f->set || f->spec.kind == FeatureKind::Float)
        return KyResult(KY_STATE_ERROR, KyString("[" + f->spec.name + "] is read-only"));
    uint64_t raw = base::LoadUnsigned(static_cast<const uint8_t *>(data), length, base::Endian::Big);
    if (mRegisters.signedIntegers && length < 8 && (raw >> (8 * length - 1)) & 1)
        raw |= ~uint64_t(0) << (8 * length);
    return f->set(static_cast<int64_t>(raw));
}

}  // namespace ky::gc
