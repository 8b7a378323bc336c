#include "nodes/Integer.h"

namespace ky::gc {

bool Integer::ParseChild(const tinyxml2::XMLElement &c)
{
    return Limits::Take(c, mLimits) || ValueNode::ParseChild(c);
}

KyResult Integer::Link()
{
    KyResult r = ValueNode::Link();
    return r |= mLimits.Link(mMap, *this);
}

void Integer::ValueReferences(std::vector<const Property *> &out) const
{
    ValueNode::ValueReferences(out);
    mLimits.ValueReferences(out);
}

KyResult Integer::DoGetInt(int64_t &v)
{
    KyResult r = RequireValue();
    return r.IsOK() ? mValue.GetInt(*this, v) : r;
}

KyResult Integer::DoSetInt(int64_t v)
{
    KyResult r = RequireValue();
    return r.IsOK() ? mValue.SetInt(*this, v) : r;
}

// Without limits of its own an integer takes those of the node behind it.
KyResult Integer::DoGetIntMin(int64_t &v)
{
    if (mLimits.min.IsSet()) return mLimits.min.GetInt(*this, v);
    if (mValue.Target()) return mValue.Target()->GetIntMin(v);
    v = INT64_MIN;
    return KyResult();
}

KyResult Integer::DoGetIntMax(int64_t &v)
{
    if (mLimits.max.IsSet()) return mLimits.max.GetInt(*this, v);
    if (mValue.Target()) return mValue.Target()->GetIntMax(v);
    v = INT64_MAX;
    return KyResult();
}

KyResult Integer::DoGetIntInc(int64_t &v)
{
    if (mLimits.inc.IsSet()) {
        KyResult r = mLimits.inc.GetInt(*this, v);
        if (r.IsOK() && v <= 0) return Error(KY_GENICAM_XML_ERROR, "has the increment " + std::to_string(v));
        return r;
    }
    v = 1;
    return KyResult();
}

}  // namespace ky::gc
