// <Integer>: an integer feature with optional limits and increment.
#pragma once

#include "nodes/Limits.h"
#include "nodes/ValueNode.h"

namespace ky::gc {

class Integer : public ValueNode
{
public:
    using ValueNode::ValueNode;
    Interface Kind() const override { return Interface::Integer; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;
    KyResult Link() override;
    void ValueReferences(std::vector<const Property *> &out) const override;

protected:
    KyResult DoGetInt(int64_t &v) override;
    KyResult DoSetInt(int64_t v) override;
    KyResult DoGetIntMin(int64_t &v) override;
    KyResult DoGetIntMax(int64_t &v) override;
    KyResult DoGetIntInc(int64_t &v) override;

private:
    Limits mLimits;
};

}  // namespace ky::gc
