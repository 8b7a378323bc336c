#include "nodes/IntReg.h"

namespace ky::gc {

bool IntReg::ParseChild(const tinyxml2::XMLElement &c)
{
    std::string tag = c.Name();
    if (mMasked && (tag == "LSB" || tag == "MSB" || tag == "Bit")) {
        int64_t bit = 0;
        if (!ParseInt(Text(c), bit) || bit < 0 || bit > 63)
            Fail("has a bad " + tag + " '" + Text(c) + "'");
        if (tag != "MSB")
            mLsb = bit;
        if (tag != "LSB")
            mMsb = bit;
        return true;
    }
    return RegisterBase::ParseChild(c);
}

KyResult IntReg::Field(int64_t length, int &shift, int &width)
{
    if (length > 8)
        return Error(KY_INVALID_DATA_FORMAT, "has the length " + std::to_string(length) + ", above 8 bytes");
    int bits = static_cast<int>(length) * 8;
    shift = 0;
    width = bits;
    if (!mMasked)
        return KyResult();
    if (mLsb < 0 || mMsb < 0)
        return Error(KY_GENICAM_XML_ERROR, "has no LSB/MSB or Bit");
    int lsb = static_cast<int>(mLsb), msb = static_cast<int>(mMsb);
    if (BigEndian()) {
        lsb = bits - 1 - lsb;
        msb = bits - 1 - msb;
    }
    if (msb < lsb || msb >= bits || lsb < 0)
        return Error(KY_GENICAM_XML_ERROR, "has the bit field " + std::to_string(mLsb) + ".." +
                                               std::to_string(mMsb) + ", outside its " +
                                               std::to_string(bits) + " bits");
    shift = lsb;
    width = msb - lsb + 1;
    return KyResult();
}

namespace {
uint64_t Mask(int width) { return width >= 64 ? ~0ULL : (1ULL << width) - 1; }
}  // namespace

KyResult IntReg::DoGetInt(int64_t &v)
{
    std::vector<uint8_t> bytes;
    int shift = 0, width = 0;
    KyResult r = ReadRaw(bytes);
    if (r.IsOK())
        r = Field(static_cast<int64_t>(bytes.size()), shift, width);
    if (!r.IsOK())
        return r;
    uint64_t raw = base::LoadUnsigned(bytes.data(), bytes.size(), Order());
    uint64_t field = (raw >> shift) & Mask(width);
    if (Signed() && width < 64 && (field >> (width - 1)) & 1)
        field |= ~Mask(width);
    v = static_cast<int64_t>(field);
    return r;
}

KyResult IntReg::DoSetInt(int64_t v)
{
    int64_t length = 0, lo = 0, hi = 0;
    int shift = 0, width = 0;
    KyResult r = RegisterLength(length);
    if (r.IsOK())
        r = Field(length, shift, width);
    if (r.IsOK())
        r = DoGetIntMin(lo);
    if (r.IsOK())
        r = DoGetIntMax(hi);
    if (!r.IsOK())
        return r;
    if (v < lo || v > hi)
        return Error(KY_INVALID_PARAMETER,
                     std::to_string(v) + " does not fit its " + std::to_string(width) + "-bit field");
    std::vector<uint8_t> bytes(static_cast<size_t>(length), 0);
    uint64_t raw = 0;
    if (mMasked) {  // read-modify-write keeps the other bits
        r = ReadRaw(bytes);
        if (!r.IsOK())
            return r;
        raw = base::LoadUnsigned(bytes.data(), static_cast<size_t>(length), Order());
    }
    raw = (raw & ~(Mask(width) << shift)) | ((static_cast<uint64_t>(v) & Mask(width)) << shift);
    base::StoreUnsigned(bytes.data(), static_cast<size_t>(length), Order(), raw);
    return WriteRaw(bytes.data(), length);
}

KyResult IntReg::DoGetIntMin(int64_t &v)
{
    int64_t length = 0;
    int shift = 0, width = 0;
    KyResult r = RegisterLength(length);
    if (r.IsOK())
        r = Field(length, shift, width);
    if (r.IsOK())
        v = Signed() ? (width >= 64 ? INT64_MIN : -static_cast<int64_t>(1ULL << (width - 1))) : 0;
    return r;
}

KyResult IntReg::DoGetIntMax(int64_t &v)
{
    int64_t length = 0;
    int shift = 0, width = 0;
    KyResult r = RegisterLength(length);
    if (r.IsOK())
        r = Field(length, shift, width);
    if (r.IsOK()) {
        int valueBits = Signed() ? width - 1 : width;
        v = valueBits >= 63 ? INT64_MAX : static_cast<int64_t>((1ULL << valueBits) - 1);
    }
    return r;
}

}  // namespace ky::gc
