// <Float>: a floating-point feature with optional limits and increment.
#pragma once

#include "nodes/Limits.h"
#include "nodes/ValueNode.h"

namespace ky::gc {

class Float : public ValueNode
{
public:
    using ValueNode::ValueNode;
    Interface Kind() const override { return Interface::Float; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;
    KyResult Link() override;
    void ValueReferences(std::vector<const Property *> &out) const override;

protected:
    KyResult DoGetFloat(double &v) override;
    KyResult DoSetFloat(double v) override;
    KyResult DoGetFloatMin(double &v) override;
    KyResult DoGetFloatMax(double &v) override;
    KyResult DoGetFloatInc(double &v, bool &hasInc) override;

private:
    Limits mLimits;
};

}  // namespace ky::gc
