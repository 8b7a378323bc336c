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
    return WithValue([&](Property &p) { return p.GetInt(*this, v); });
}

KyResult Integer::DoSetInt(int64_t v)
{
    return WithValue([&](Property &p) { return p.SetInt(*this, v); });
}

// Without limits of its own an integer takes those of the node behind it.
KyResult Integer::DoGetIntMin(int64_t &v)
{
    if (mLimits.min.IsSet())
        return mLimits.min.GetInt(*this, v);
    if (Node *t = CurrentTarget())
        return t->GetIntMin(v);
    v = INT64_MIN;
    return KyResult();
}

KyResult Integer::DoGetIntMax(int64_t &v)
{
    if (mLimits.max.IsSet())
        return mLimits.max.GetInt(*this, v);
    if (Node *t = CurrentTarget())
        return t->GetIntMax(v);
    v = INT64_MAX;
    return KyResult();
}

KyResult Integer::DoGetIntInc(int64_t &v)
{
    if (mLimits.inc.IsSet()) {
        KyResult r = mLimits.inc.GetInt(*this, v);
        if (r.IsOK() && v <= 0)
            return Error(KY_GENICAM_XML_ERROR, "has the increment " + std::to_string(v));
        return r;
    }
    v = 1;
    return KyResult();
}

}  // namespace ky::gc
