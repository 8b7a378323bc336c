// <Command>: executing writes CommandValue to the value; the command is done once the
// value reads back different from CommandValue (a self-clearing register).
#pragma once

#include "nodes/ValueNode.h"

namespace ky::gc {

class Command : public ValueNode
{
public:
    using ValueNode::ValueNode;
    Interface Kind() const override { return Interface::Command; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;
    KyResult Link() override;
    void ValueReferences(std::vector<const Property *> &out) const override;

protected:
    KyResult DoGetAccessMode(KyGenAccessMode &mode) override;
    KyResult DoExecute() override;
    KyResult DoIsDone(bool &done) override;

private:
    Property mCommandValue;
};

}  // namespace ky::gc
