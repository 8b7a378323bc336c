#include "ky/genicam/KyGenParameterArray.h"

#include "ArrayCore.h"

using ky::gc::ArrayCore;

KyGenParameterArray::KyGenParameterArray() : mCore(std::make_unique<ArrayCore>()) { }
KyGenParameterArray::~KyGenParameterArray() = default;

KyResult KyGenParameterArray::Load(const KyString &aXml, IKyGenPort *aPort)
{
    return mCore->Load(aXml.str(), aPort);
}

uint32_t KyGenParameterArray::GetCount() const { return static_cast<uint32_t>(mCore->Features().size()); }

KyGenParameter *KyGenParameterArray::Get(uint32_t aIndex)
{
    return aIndex < mCore->Features().size() ? mCore->Features()[aIndex].get() : nullptr;
}

KyGenParameter *KyGenParameterArray::Get(const KyString &aName) { return mCore->Feature(aName.str()); }
KyGenParameter *KyGenParameterArray::operator[](uint32_t aIndex) { return Get(aIndex); }
KyGenParameter *KyGenParameterArray::operator[](const KyString &aName) { return Get(aName); }

uint32_t KyGenParameterArray::GetCategoryCount() const
{
    return static_cast<uint32_t>(mCore->Categories().size());
}

KyGenCategory *KyGenParameterArray::GetCategory(uint32_t aIndex)
{
    return aIndex < mCore->Categories().size() ? mCore->Categories()[aIndex].get() : nullptr;
}

KyGenCategory *KyGenParameterArray::GetCategory(const KyString &aName)
{
    return mCore->Category(aName.str());
}

KyResult KyGenParameterArray::InvalidateCache()
{
    return mCore->Read([&] {
        mCore->Map().CacheClear();
        return KyResult();
    });
}

KY_GENAPI_NS::INodeMap *KyGenParameterArray::GetNodeMap()
{
    return mCore->Loaded() ? &mCore->Map() : nullptr;
}

namespace {

template <typename T>
T *Typed(KyGenParameter *p)
{
    return dynamic_cast<T *>(p);
}

// Finds a feature of the wanted type by name, or says why there is none.
template <typename T>
KyResult Find(ArrayCore &core, const KyString &name, const char *what, T *&out)
{
    KyGenParameter *p = core.Feature(name.str());
    if (!p)
        return KyResult(KY_NOT_FOUND, KyString("[" + name.str() + "] no such feature"));
    out = dynamic_cast<T *>(p);
    if (!out)
        return KyResult(KY_INVALID_PARAMETER, KyString("[" + name.str() + "] is not " + what + " feature"));
    return KyResult();
}

}  // namespace

KyGenInteger *KyGenParameterArray::GetInteger(const KyString &aName)
{
    return Typed<KyGenInteger>(Get(aName));
}
KyGenFloat *KyGenParameterArray::GetFloat(const KyString &aName) { return Typed<KyGenFloat>(Get(aName)); }
KyGenEnum *KyGenParameterArray::GetEnum(const KyString &aName) { return Typed<KyGenEnum>(Get(aName)); }
KyGenBoolean *KyGenParameterArray::GetBoolean(const KyString &aName)
{
    return Typed<KyGenBoolean>(Get(aName));
}
KyGenCommand *KyGenParameterArray::GetCommand(const KyString &aName)
{
    return Typed<KyGenCommand>(Get(aName));
}
KyGenString *KyGenParameterArray::GetString(const KyString &aName) { return Typed<KyGenString>(Get(aName)); }
KyGenRegister *KyGenParameterArray::GetRegister(const KyString &aName)
{
    return Typed<KyGenRegister>(Get(aName));
}

// The by-name calls: find the typed feature, then call it.
#define KY_BY_NAME(Type, what, call)                                                                         \
    Type *p = nullptr;                                                                                       \
    KyResult r = Find(*mCore, aName, what, p);                                                               \
    return r.IsOK() ? p->call : r

KyResult KyGenParameterArray::GetIntegerValue(const KyString &aName, int64_t &aValue)
{
    KY_BY_NAME(KyGenInteger, "an integer", GetValue(aValue));
}
KyResult KyGenParameterArray::SetIntegerValue(const KyString &aName, int64_t aValue)
{
    KY_BY_NAME(KyGenInteger, "an integer", SetValue(aValue));
}
KyResult KyGenParameterArray::GetFloatValue(const KyString &aName, double &aValue)
{
    KY_BY_NAME(KyGenFloat, "a float", GetValue(aValue));
}
KyResult KyGenParameterArray::SetFloatValue(const KyString &aName, double aValue)
{
    KY_BY_NAME(KyGenFloat, "a float", SetValue(aValue));
}
KyResult KyGenParameterArray::SetEnumValue(const KyString &aName, const KyString &aValue)
{
    KY_BY_NAME(KyGenEnum, "an enumeration", SetValue(aValue));
}
KyResult KyGenParameterArray::SetEnumValue(const KyString &aName, int64_t aValue)
{
    KY_BY_NAME(KyGenEnum, "an enumeration", SetValue(aValue));
}
KyResult KyGenParameterArray::GetEnumValue(const KyString &aName, KyString &aValue)
{
    KY_BY_NAME(KyGenEnum, "an enumeration", GetValue(aValue));
}
KyResult KyGenParameterArray::GetEnumValue(const KyString &aName, int64_t &aValue)
{
    KY_BY_NAME(KyGenEnum, "an enumeration", GetValue(aValue));
}
KyResult KyGenParameterArray::GetBooleanValue(const KyString &aName, bool &aValue)
{
    KY_BY_NAME(KyGenBoolean, "a boolean", GetValue(aValue));
}
KyResult KyGenParameterArray::SetBooleanValue(const KyString &aName, bool aValue)
{
    KY_BY_NAME(KyGenBoolean, "a boolean", SetValue(aValue));
}
KyResult KyGenParameterArray::GetStringValue(const KyString &aName, KyString &aValue)
{
    KY_BY_NAME(KyGenString, "a string", GetValue(aValue));
}
KyResult KyGenParameterArray::SetStringValue(const KyString &aName, const KyString &aValue)
{
    KY_BY_NAME(KyGenString, "a string", SetValue(aValue));
}
KyResult KyGenParameterArray::ExecuteCommand(const KyString &aName)
{
    KY_BY_NAME(KyGenCommand, "a command", Execute());
}
#undef KY_BY_NAME

KyResult KyGenParameterArray::GetIntegerRange(const KyString &aName, int64_t &aMin, int64_t &aMax)
{
    KyGenInteger *p = nullptr;
    KyResult r = Find(*mCore, aName, "an integer", p);
    int64_t lo = 0, hi = 0;
    if (r.IsOK())
        r = p->GetMin(lo);
    if (r.IsOK())
        r = p->GetMax(hi);
    if (r.IsOK()) {
        aMin = lo;
        aMax = hi;
    }
    return r;
}

KyResult KyGenParameterArray::GetFloatRange(const KyString &aName, double &aMin, double &aMax)
{
    KyGenFloat *p = nullptr;
    KyResult r = Find(*mCore, aName, "a float", p);
    double lo = 0, hi = 0;
    if (r.IsOK())
        r = p->GetMin(lo);
    if (r.IsOK())
        r = p->GetMax(hi);
    if (r.IsOK()) {
        aMin = lo;
        aMax = hi;
    }
    return r;
}

KyResult KyGenParameterArray::AttachDataChunks(uint8_t *aBuffer, uint32_t aLength)
{
    return mCore->Read([&] { return mCore->Map().AttachChunks(aBuffer, aLength); });
}

KyResult KyGenParameterArray::AttachDataChunk(uint32_t aChunkId, const uint8_t *aData, uint32_t aLength)
{
    return mCore->Read([&] { return mCore->Map().AttachChunk(aChunkId, aData, aLength); });
}

KyResult KyGenParameterArray::DetachDataChunks()
{
    return mCore->Read([&] {
        mCore->Map().DetachChunks();
        return KyResult();
    });
}

KyGenAccessMode KyGenParameterArray::GetAccessMode() const
{
    return mCore->Loaded() ? KyGenAccessModeReadWrite : KyGenAccessModeNotAvailable;
}

KyResult KyGenParameterArray::Poll()
{
    std::vector<ky::gc::Node *> due;
    KyResult r = mCore->Read([&] {
        due = mCore->Map().CachePoll();
        return KyResult();
    });
    if (r.IsOK() && !due.empty())
        mCore->AnnounceChanged(due);
    return r;
}

void KyGenParameterArray::GetCacheStatistics(uint64_t &aHits, uint64_t &aMisses) const
{
    (void)mCore->Read([&] {  // the function cannot fail
        aHits = mCore->Map().CacheHits();
        aMisses = mCore->Map().CacheMisses();
        return KyResult();
    });
}
