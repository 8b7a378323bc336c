// <SwissKnife> and <IntSwissKnife>: a read-only value computed by a formula over other
// nodes. The two differ only in the result: a double, or an integer (truncated toward zero).
#pragma once

#include "nodes/FormulaVariables.h"

namespace ky::gc {

class SwissKnife : public Node
{
public:
    SwissKnife(NodeMap &map, const char *tag, bool integer) : Node(map, tag), mInteger(integer) { }
    Interface Kind() const override { return mInteger ? Interface::Integer : Interface::Float; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;
    KyResult Link() override;
    void ValueReferences(std::vector<const Property *> &out) const override;

protected:
    KyResult DoGetInt(int64_t &v) override;
    KyResult DoGetFloat(double &v) override;

private:
    bool mInteger;
    std::string mFormulaText;
    Evaluator mFormula;
    FormulaVariables mVariables;
};

}  // namespace ky::gc
