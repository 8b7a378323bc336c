// <Boolean>: true when the value equals OnValue (default 1), false at OffValue (default 0).
#pragma once

#include "nodes/ValueNode.h"

namespace ky::gc {

class Boolean : public ValueNode
{
public:
    using ValueNode::ValueNode;
    Interface Kind() const override { return Interface::Boolean; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;

protected:
    KyResult DoGetBool(bool &v) override;
    KyResult DoSetBool(bool v) override;
    // Selectors and formulas read a boolean as its raw value.
    KyResult DoGetInt(int64_t &v) override;

private:
    int64_t mOn = 1, mOff = 0;
};

}  // namespace ky::gc
