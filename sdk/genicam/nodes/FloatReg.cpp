#include "nodes/FloatReg.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace ky::gc {

bool FloatReg::ParseChild(const tinyxml2::XMLElement &c)
{
    std::string tag = c.Name();
    return RegisterBase::ParseChild(c);
}

KyResult FloatReg::CheckLength(int64_t &length)
{
    KyResult r = RegisterLength(length);
    if (r.IsOK() && length != 4 && length != 8)
        return Error(KY_INVALID_DATA_FORMAT,
                     "has the length " + std::to_string(length) + "; a float takes 4 or 8 bytes");
    return r;
}

KyResult FloatReg::DoGetFloat(double &v)
{
    int64_t length = 0;
    std::vector<uint8_t> bytes;
    KyResult r = CheckLength(length);
    if (r.IsOK())
        r = ReadRaw(bytes);
    if (!r.IsOK())
        return r;
    uint64_t raw = base::LoadUnsigned(bytes.data(), static_cast<size_t>(length), Order());
    if (length == 4) {
        uint32_t bits = static_cast<uint32_t>(raw);
        float f;
        std::memcpy(&f, &bits, 4);
        v = f;
    } else {
        std::memcpy(&v, &raw, 8);
    }
    return r;
}

KyResult FloatReg::DoSetFloat(double v)
{
    int64_t length = 0;
    KyResult r = CheckLength(length);
    if (!r.IsOK())
        return r;
    uint64_t raw = 0;
    if (length == 4) {
        if (std::isfinite(v) && std::fabs(v) > FLT_MAX)
            return Error(KY_INVALID_PARAMETER, std::to_string(v) + " does not fit a 4-byte float");
        float f = static_cast<float>(v);
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        raw = bits;
    } else {
        std::memcpy(&raw, &v, 8);
    }
    uint8_t bytes[8];
    base::StoreUnsigned(bytes, static_cast<size_t>(length), Order(), raw);
    return WriteRaw(bytes, length);
}

}  // namespace ky::gc
