#include "nodes/ValueNode.h"

namespace ky::gc {

bool ValueNode::ParseChild(const tinyxml2::XMLElement &c)
{
    std::string tag = c.Name();
    if (tag == "ValueIndexed" || tag == "pValueIndexed") {
        int64_t index = 0;
        const char *attribute = c.Attribute("Index");
        if (!attribute || !ParseInt(attribute, index))
            Fail("has a " + tag + " without a valid Index");
        mIndexed.emplace_back(index, Property());
        TakeProperty(c, "ValueIndexed", "pValueIndexed", mIndexed.back().second);
        return true;
    }
    return TakeProperty(c, "Value", "pValue", mValue) || TakeProperty(c, nullptr, "pIndex", mIndex) ||
           TakeProperty(c, "ValueDefault", "pValueDefault", mDefault) || Node::ParseChild(c);
}

KyResult ValueNode::Link()
{
    KyResult r = Node::Link();
    r |= mValue.Link(mMap, *this, "pValue");
    r |= mIndex.Link(mMap, *this, "pIndex");
    r |= mDefault.Link(mMap, *this, "pValueDefault");
    for (auto &indexed : mIndexed)
        r |= indexed.second.Link(mMap, *this, "pValueIndexed");
    if (r.IsOK() && !mValue.IsSet() && !mIndex.IsSet())
        return Error(KY_GENICAM_XML_ERROR, "has neither Value nor pValue");
    if (r.IsOK() && mIndex.IsSet() && mIndexed.empty() && !mDefault.IsSet())
        return Error(KY_GENICAM_XML_ERROR, "has a pIndex but no indexed values");
    return r;
}

void ValueNode::ValueReferences(std::vector<const Property *> &out) const
{
    Node::ValueReferences(out);
    out.insert(out.end(), {&mValue, &mIndex, &mDefault});
    for (auto &indexed : mIndexed)
        out.push_back(&indexed.second);
}

KyResult ValueNode::Current(Property *&property)
{
    if (!mIndex.IsSet()) {
        property = &mValue;
        return KyResult();
    }
    int64_t index = 0;
    KyResult r = mIndex.GetInt(*this, index);
    if (!r.IsOK())
        return r;
    for (auto &indexed : mIndexed) {
        if (indexed.first == index) {
            property = &indexed.second;
            return r;
        }
    }
    if (!mDefault.IsSet())
        return Error(KY_INVALID_PARAMETER, "has no value for the index " + std::to_string(index));
    property = &mDefault;
    return r;
}

Node *ValueNode::CurrentTarget()
{
    Property *p = nullptr;
    return Current(p).IsOK() ? p->Target() : nullptr;
}

bool ValueNode::IsValueCached()
{
    Node *t = CurrentTarget();
    return !t || t->IsValueCached();
}

KyResult ValueNode::DoGetAccessMode(KyGenAccessMode &mode)
{
    Property *p = nullptr;
    KyResult r = Current(p);
    if (r.IsOK() && p->Target())
        return p->Target()->GetAccessMode(mode);
    mode = KyGenAccessModeReadWrite;
    return r;
}

}  // namespace ky::gc
