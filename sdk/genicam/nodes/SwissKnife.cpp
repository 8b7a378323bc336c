#include "nodes/SwissKnife.h"

namespace ky::gc {

bool SwissKnife::ParseChild(const tinyxml2::XMLElement &c)
{
    std::string tag = c.Name(), error;
    if (tag == "Formula") {
        mFormulaText = Text(c);
        return true;
    }
    if (mVariables.ParseChild(c, error)) {
        if (!error.empty())
            Fail(error);
        return true;
    }
    return Node::ParseChild(c);
}

KyResult SwissKnife::Link()
{
    KyResult r = Node::Link();
    r |= mVariables.Link(mMap, *this);
    if (r.IsOK())
        r = FormulaVariables::Compile(*this, "Formula", mFormulaText, mFormula);
    if (r.IsOK())
        r = mVariables.CheckNames(*this, mFormula, {});
    return r;
}

void SwissKnife::ValueReferences(std::vector<const Property *> &out) const
{
    Node::ValueReferences(out);
    mVariables.ValueReferences(out);
}

KyResult SwissKnife::DoGetFloat(double &v)
{
    EvalValue result;
    KyResult r = mVariables.Evaluate(mMap, *this, mFormula, {}, !mInteger, result);
    if (!r.IsOK())
        return r;
    if (mInteger) {
        int64_t i = 0;
        if (ToInteger(result, i) != EvalStatus::Ok)
            return Error(KY_ERR_OVERFLOW,
                         "formula result " + std::to_string(result.f) + " is not a 64-bit integer");
        result = EvalValue::Int(i);
    }
    v = result.AsFloat();
    return r;
}

KyResult SwissKnife::DoGetInt(int64_t &v)
{
    EvalValue result;
    KyResult r = mVariables.Evaluate(mMap, *this, mFormula, {}, !mInteger, result);
    if (r.IsOK() && ToInteger(result, v) != EvalStatus::Ok)
        return Error(KY_ERR_OVERFLOW,
                     "formula result " + std::to_string(result.f) + " is not a 64-bit integer");
    return r;
}

}  // namespace ky::gc
