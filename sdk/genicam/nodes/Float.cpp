#include "nodes/Float.h"

#include <cfloat>

namespace ky::gc {

bool Float::ParseChild(const tinyxml2::XMLElement &c)
{
    return Limits::Take(c, mLimits) || ValueNode::ParseChild(c);
}

KyResult Float::Link()
{
    KyResult r = ValueNode::Link();
    return r |= mLimits.Link(mMap, *this);
}

void Float::ValueReferences(std::vector<const Property *> &out) const
{
    ValueNode::ValueReferences(out);
    mLimits.ValueReferences(out);
}

KyResult Float::DoGetFloat(double &v)
{
    return WithValue([&](Property &p) { return p.GetFloat(*this, v); });
}

KyResult Float::DoSetFloat(double v)
{
    return WithValue([&](Property &p) { return p.SetFloat(*this, v); });
}

KyResult Float::DoGetFloatMin(double &v)
{
    if (mLimits.min.IsSet())
        return mLimits.min.GetFloat(*this, v);
    if (Node *t = CurrentTarget())
        return t->GetFloatMin(v);
    v = -DBL_MAX;
    return KyResult();
}

KyResult Float::DoGetFloatMax(double &v)
{
    if (mLimits.max.IsSet())
        return mLimits.max.GetFloat(*this, v);
    if (Node *t = CurrentTarget())
        return t->GetFloatMax(v);
    v = DBL_MAX;
    return KyResult();
}

KyResult Float::DoGetFloatInc(double &v, bool &hasInc)
{
    hasInc = mLimits.inc.IsSet();
    v = 0;
    if (!hasInc)
        return KyResult();
    KyResult r = mLimits.inc.GetFloat(*this, v);
    if (r.IsOK() && !(v > 0))
        return Error(KY_GENICAM_XML_ERROR, "has the increment " + std::to_string(v));
    return r;
}

}  // namespace ky::gc
