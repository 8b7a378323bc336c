#include "nodes/ValueNode.h"

namespace ky::gc {

bool ValueNode::ParseChild(const tinyxml2::XMLElement &c)
{
    return TakeProperty(c, "Value", "pValue", mValue) || Node::ParseChild(c);
}

KyResult ValueNode::Link()
{
    KyResult r = Node::Link();
    r |= mValue.Link(mMap, *this, "pValue");
    return r;
}

void ValueNode::ValueReferences(std::vector<const Property *> &out) const
{
    Node::ValueReferences(out);
    out.push_back(&mValue);
}

bool ValueNode::IsValueCached() { return !mValue.Target() || mValue.Target()->IsValueCached(); }

KyResult ValueNode::DoGetAccessMode(KyGenAccessMode &mode)
{
    if (Node *t = mValue.Target()) return t->GetAccessMode(mode);
    mode = KyGenAccessModeReadWrite;
    return RequireValue();
}

KyResult ValueNode::RequireValue() const
{
    if (!mValue.IsSet()) return Error(KY_GENICAM_XML_ERROR, "has neither Value nor pValue");
    return KyResult();
}

}  // namespace ky::gc
