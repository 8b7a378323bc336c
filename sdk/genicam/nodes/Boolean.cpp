#include "nodes/Boolean.h"

namespace ky::gc {

bool Boolean::ParseChild(const tinyxml2::XMLElement &c)
{
    std::string tag = c.Name();
    if (tag == "OnValue" || tag == "OffValue") {
        if (!ParseInt(Text(c), tag == "OnValue" ? mOn : mOff)) Fail("has a bad " + tag + " '" + Text(c) + "'");
        return true;
    }
    return ValueNode::ParseChild(c);
}

KyResult Boolean::DoGetInt(int64_t &v)
{
    KyResult r = RequireValue();
    return r.IsOK() ? mValue.GetInt(*this, v) : r;
}

KyResult Boolean::DoGetBool(bool &v)
{
    int64_t raw = 0;
    KyResult r = DoGetInt(raw);
    if (!r.IsOK()) return r;
    if (raw != mOn && raw != mOff)
        return Error(KY_INVALID_DATA_FORMAT, "value " + std::to_string(raw) + " is neither the on value " +
                                                 std::to_string(mOn) + " nor the off value " + std::to_string(mOff));
    v = raw == mOn;
    return r;
}

KyResult Boolean::DoSetBool(bool v)
{
    KyResult r = RequireValue();
    return r.IsOK() ? mValue.SetInt(*this, v ? mOn : mOff) : r;
}

}  // namespace ky::gc
