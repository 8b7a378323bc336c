// ValueNode: a node whose value is a host literal (<Value>) or another node (<pValue>).
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
    KyResult RequireValue() const;

    Property mValue;
};

}  // namespace ky::gc
