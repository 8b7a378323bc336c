#include "nodes/Boolean.h"

namespace ky::gc {

bool Boolean::ParseChild(const tinyxml2::XMLElement &c)
{
    std::string tag = c.Name();
    if (tag == "OnValue" || tag == "OffValue") {
        if (!ParseInt(Text(c), tag == "OnValue" ? mOn : mOff))
            Fail("has a bad " + tag + " '" + Text(c) + "'");
        return true;
    }
    return ValueNode::ParseChild(c);
}

KyResult Boolean::DoGetInt(int64_t &v)
{
    return WithValue([&](Property &p) { return p.GetInt(*this, v); });
}

KyResult Boolean::DoGetBool(bool &v)
{
    int64_t raw = 0;
    KyResult r = DoGetInt(raw);
    if (!r.IsOK())
        return r;
    if (raw != mOn && raw != mOff)
        return Error(KY_INVALID_DATA_FORMAT, "value " + std::to_string(raw) + " is neither the on value " +
                                                 std::to_string(mOn) + " nor the off value " +
                                                 std::to_string(mOff));
    v = raw == mOn;
    return r;
}

KyResult Boolean::DoSetBool(bool v)
{
    return WithValue([&](Property &p) { return p.SetInt(*this, v ? mOn : mOff); });
}

}  // namespace ky::gc
