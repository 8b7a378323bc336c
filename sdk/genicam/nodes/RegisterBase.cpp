#include "nodes/RegisterBase.h"

#include "NodeMap.h"
#include "nodes/Port.h"

namespace ky::gc {
namespace {

const std::pair<const char *, KyGenAccessMode> kAccess[] = {
    {"RO", KyGenAccessModeReadOnly}, {"RW", KyGenAccessModeReadWrite}, {"WO", KyGenAccessModeWriteOnly}};
const std::pair<const char *, KyGenEndianness> kEndianness[] = {{"LittleEndian", KyGenEndiannessLittle},
                                                                {"BigEndian", KyGenEndiannessBig}};
const std::pair<const char *, KyGenSign> kSign[] = {{"Unsigned", KyGenSignUnsigned},
                                                    {"Signed", KyGenSignSigned}};

}  // namespace

bool RegisterBase::ParseChild(const tinyxml2::XMLElement &c)
{
    std::string tag = c.Name();
    if (tag == "Address" || tag == "pAddress") {
        mAddresses.emplace_back();
        TakeProperty(c, "Address", "pAddress", mAddresses.back());
        return true;
    }
    if (tag == "pIndex") {
        mIndex.SetReference(Text(c));
        if (const char *offset = c.Attribute("Offset")) {
            if (!ParseInt(offset, mIndexOffset))
                Fail(std::string("has a bad pIndex Offset '") + offset + "'");
        } else if (const char *pOffset = c.Attribute("pOffset")) {
            mOffset.SetReference(pOffset);
        }
        return true;
    }
    if (tag == "AccessMode")
        return ParseChoice(c, kAccess, mAccess);
    if (tag == "Endianess")
        return ParseChoice(c, kEndianness, mEndianness);
    if (tag == "Sign")
        return ParseChoice(c, kSign, mSign);
    return TakeProperty(c, "Length", "pLength", mLength) || TakeProperty(c, nullptr, "pPort", mPortRef) ||
           Node::ParseChild(c);
}

KyResult RegisterBase::Link()
{
    KyResult r = Node::Link();
    for (Property &p : mAddresses)
        r |= p.Link(mMap, *this, "pAddress");
    r |= mIndex.Link(mMap, *this, "pIndex");
    r |= mOffset.Link(mMap, *this, "pOffset");
    r |= mLength.Link(mMap, *this, "pLength");
    r |= mPortRef.Link(mMap, *this, "pPort");
    if (!r.IsOK())
        return r;
    if (mAddresses.empty())
        return Error(KY_GENICAM_XML_ERROR, "has no Address");
    if (!mLength.IsSet())
        return Error(KY_GENICAM_XML_ERROR, "has no Length");
    if (!mPortRef.IsSet())
        return Error(KY_GENICAM_XML_ERROR, "has no pPort");
    mPort = dynamic_cast<Port *>(mPortRef.Target());
    if (!mPort)
        return Error(KY_GENICAM_XML_ERROR, "pPort refers to '" + mPortRef.Text() + "', which is not a Port");
    return r;
}

void RegisterBase::ValueReferences(std::vector<const Property *> &out) const
{
    Node::ValueReferences(out);
    for (const Property &p : mAddresses)
        out.push_back(&p);
    out.insert(out.end(), {&mIndex, &mOffset, &mLength, &mPortRef});
}

KyResult RegisterBase::DoGetAccessMode(KyGenAccessMode &mode)
{
    mode = mAccess;
    if (mPort && mPort->IsChunkPort() && mode != KyGenAccessModeWriteOnly)
        mode = KyGenAccessModeReadOnly;
    return KyResult();
}

KyResult RegisterBase::Address(uint64_t &address)
{
    uint64_t sum = 0;
    for (Property &p : mAddresses) {
        int64_t part = 0;
        KyResult r = p.GetInt(*this, part);
        if (!r.IsOK())
            return r;
        sum += static_cast<uint64_t>(part);
    }
    if (mIndex.IsSet()) {
        int64_t index = 0, offset = mIndexOffset;
        KyResult r = mIndex.GetInt(*this, index);
        if (r.IsOK() && mOffset.IsSet())
            r = mOffset.GetInt(*this, offset);
        if (!r.IsOK())
            return r;
        sum += static_cast<uint64_t>(index) * static_cast<uint64_t>(offset);
    }
    address = sum;
    return KyResult();
}

KyResult RegisterBase::RegisterLength(int64_t &length)
{
    KyResult r = mLength.GetInt(*this, length);
    if (r.IsOK() && (length < 1 || length > kMaxLength))
        return Error(KY_INVALID_DATA_FORMAT, "has the length " + std::to_string(length) + ", outside 1.." +
                                                 std::to_string(kMaxLength));
    return r;
}

KyResult RegisterBase::DoGetLength(int64_t &v) { return RegisterLength(v); }

bool RegisterBase::Cacheable() const
{
    return Cachable() != KyGenCacheNone && mPort && !mPort->IsChunkPort() && mMap.BypassCache() == 0;
}

bool RegisterBase::IsValueCached() { return Cacheable(); }

uint64_t RegisterBase::InvalidatorStamp() const
{
    uint64_t stamp = 0;
    for (const Node *n : Invalidators())
        stamp += n->ChangeCount();
    return stamp;
}

KyResult RegisterBase::ReadRaw(std::vector<uint8_t> &bytes)
{
    uint64_t address = 0;
    int64_t length = 0;
    KyResult r = Address(address);
    if (r.IsOK())
        r = RegisterLength(length);
    if (!r.IsOK())
        return r;
    uint32_t n = static_cast<uint32_t>(length);
    bool cacheable = Cacheable();
    if (cacheable) {
        NodeMap::CacheEntry *e = mMap.CacheFind(this, address, n);
        if (e && e->invalidatorStamp == InvalidatorStamp()) {
            mMap.CountHit();
            bytes = e->bytes;
            return r;
        }
        mMap.CountMiss();
    }
    bytes.assign(n, 0);
    r = mPort->Read(address, bytes.data(), n);
    if (!r.IsOK())
        return r;
    if (cacheable)
        mMap.CacheStore(this, mPort, address, bytes.data(), n, InvalidatorStamp());
    return r;
}

KyResult RegisterBase::WriteRaw(const uint8_t *data, int64_t length)
{
    uint64_t address = 0;
    int64_t regLength = 0;
    KyResult r = Address(address);
    if (r.IsOK())
        r = RegisterLength(regLength);
    if (!r.IsOK())
        return r;
    if (length < 1 || length > regLength)
        return Error(KY_INVALID_PARAMETER, "cannot write " + std::to_string(length) +
                                               " bytes to a register of " + std::to_string(regLength));
    uint32_t n = static_cast<uint32_t>(length);
    mMap.CacheDropOverlap(mPort, address, n);
    r = mPort->Write(address, data, n);
    if (r.IsOK() && length == regLength && Cachable() == KyGenCacheWriteThrough && Cacheable())
        mMap.CacheStore(this, mPort, address, data, n, InvalidatorStamp());
    return r;
}

}  // namespace ky::gc
