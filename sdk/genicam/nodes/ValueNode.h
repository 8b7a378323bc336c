// ValueNode: a node whose value is a host literal (<Value>) or another node (<pValue>),
// or, with <pIndex>, one of several chosen by an index node (<ValueIndexed Index="n">,
// <pValueIndexed Index="n">, falling back to <ValueDefault>/<pValueDefault>).
// Shared by Integer, Float, Boolean, Command, Enumeration and String.
#pragma once

#include "Node.h"

namespace ky::gc {

class ValueNode : public Node
{
public:
    using Node::Node;
    bool ParseChild(const tinyxml2::XMLElement &child) override;
    KyResult Link() override;
    void ValueReferences(std::vector<const Property *> &out) const override;
    bool IsValueCached() override;

protected:
    // A host value is read-write; a referenced node lends its access mode.
    KyResult DoGetAccessMode(KyGenAccessMode &mode) override;
    // The value property that applies now; an error when there is none for the index.
    KyResult Current(Property *&property);
    // The node behind the current value, or nullptr for a host value or a failure.
    Node *CurrentTarget();
    template <typename F>
    KyResult WithValue(F f)
    {
        Property *p = nullptr;
        KyResult r = Current(p);
        return r.IsOK() ? f(*p) : r;
    }

private:
    Property mValue, mIndex, mDefault;
    std::vector<std::pair<int64_t, Property>> mIndexed;
};

}  // namespace ky::gc
