// <Converter> and <IntConverter>: a value shown in other units than the node behind it.
// Reading evaluates FormulaFrom with TO = the node's value; writing evaluates FormulaTo
// with FROM = the new value and writes the result to the node.
#pragma once

#include "nodes/FormulaVariables.h"

namespace ky::gc {

class Converter : public Node
{
public:
    Converter(NodeMap &map, const char *tag, bool integer) : Node(map, tag), mInteger(integer) { }
    Interface Kind() const override { return mInteger ? Interface::Integer : Interface::Float; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;
    KyResult Link() override;
    void ValueReferences(std::vector<const Property *> &out) const override;
    bool IsValueCached() override { return mValue.Target() && mValue.Target()->IsValueCached(); }

protected:
    KyResult DoGetAccessMode(KyGenAccessMode &mode) override;
    KyResult DoGetInt(int64_t &v) override;
    KyResult DoSetInt(int64_t v) override;
    KyResult DoGetIntMin(int64_t &v) override;
    KyResult DoGetIntMax(int64_t &v) override;
    KyResult DoGetFloat(double &v) override;
    KyResult DoSetFloat(double v) override;
    KyResult DoGetFloatMin(double &v) override;
    KyResult DoGetFloatMax(double &v) override;

private:
    KyResult From(const EvalValue &to, EvalValue &out);
    KyResult Write(const EvalValue &from);
    // The converted limits of the node behind: both ends, smaller first.
    KyResult Limits(EvalValue &low, EvalValue &high);

    bool mInteger;
    std::string mToText, mFromText;
    Evaluator mTo, mFrom;
    FormulaVariables mVariables;
    Property mValue;
};

}  // namespace ky::gc
