#include "nodes/Converter.h"

namespace ky::gc {

bool Converter::ParseChild(const tinyxml2::XMLElement &c)
{
    std::string tag = c.Name(), error;
    if (tag == "FormulaTo") {
        mToText = Text(c);
        return true;
    }
    if (tag == "FormulaFrom") {
        mFromText = Text(c);
        return true;
    }
    if (TakeProperty(c, nullptr, "pValue", mValue))
        return true;
    if (mVariables.ParseChild(c, error)) {
        if (!error.empty())
            Fail(error);
        return true;
    }
    return Node::ParseChild(c);
}

KyResult Converter::Link()
{
    KyResult r = Node::Link();
    r |= mVariables.Link(mMap, *this);
    r |= mValue.Link(mMap, *this, "pValue");
    if (r.IsOK() && !mValue.Target())
        r = Error(KY_GENICAM_XML_ERROR, "has no pValue");
    if (r.IsOK())
        r = FormulaVariables::Compile(*this, "FormulaTo", mToText, mTo);
    if (r.IsOK())
        r = FormulaVariables::Compile(*this, "FormulaFrom", mFromText, mFrom);
    if (r.IsOK())
        r = mVariables.CheckNames(*this, mTo, {"FROM", "TO"});
    if (r.IsOK())
        r = mVariables.CheckNames(*this, mFrom, {"FROM", "TO"});
    return r;
}

void Converter::ValueReferences(std::vector<const Property *> &out) const
{
    Node::ValueReferences(out);
    mVariables.ValueReferences(out);
    out.push_back(&mValue);
}

KyResult Converter::DoGetAccessMode(KyGenAccessMode &mode) { return mValue.Target()->GetAccessMode(mode); }

KyResult Converter::From(const EvalValue &to, EvalValue &out)
{
    return mVariables.Evaluate(mMap, *this, mFrom, {{"TO", to}}, !mInteger, out);
}

KyResult Converter::Write(const EvalValue &from)
{
    EvalValue to;
    KyResult r = mVariables.Evaluate(mMap, *this, mTo, {{"FROM", from}}, !mInteger, to);
    if (!r.IsOK())
        return r;
    Node &target = *mValue.Target();
    if (target.Kind() == Interface::Float)
        return target.SetFloat(to.AsFloat());
    int64_t i = 0;
    if (ToInteger(to, i) != EvalStatus::Ok)
        return Error(KY_ERR_OVERFLOW, "converted value " + std::to_string(to.f) + " is not a 64-bit integer");
    return target.SetInt(i);
}

KyResult Converter::Limits(EvalValue &low, EvalValue &high)
{
    Node &target = *mValue.Target();
    EvalValue a, b;
    KyResult r;
    if (target.Kind() == Interface::Float) {
        double lo = 0, hi = 0;
        r = target.GetFloatMin(lo);
        if (r.IsOK())
            r = target.GetFloatMax(hi);
        a = EvalValue::Float(lo);
        b = EvalValue::Float(hi);
    } else {
        int64_t lo = 0, hi = 0;
        r = target.GetIntMin(lo);
        if (r.IsOK())
            r = target.GetIntMax(hi);
        a = EvalValue::Int(lo);
        b = EvalValue::Int(hi);
    }
    if (r.IsOK())
        r = From(a, low);
    if (r.IsOK())
        r = From(b, high);
    if (r.IsOK() && high.AsFloat() < low.AsFloat())
        std::swap(low, high);  // a decreasing conversion
    return r;
}

namespace {
KyResult AsInt(const Node &node, const EvalValue &v, int64_t &out)
{
    if (ToInteger(v, out) == EvalStatus::Ok)
        return KyResult();
    return node.Error(KY_ERR_OVERFLOW, "converted value " + std::to_string(v.f) + " is not a 64-bit integer");
}
}  // namespace

KyResult Converter::DoGetFloat(double &v)
{
    EvalValue to, from;
    KyResult r = ReadAsEvalValue(*mValue.Target(), to);
    if (r.IsOK())
        r = From(to, from);
    if (r.IsOK())
        v = from.AsFloat();
    return r;
}

KyResult Converter::DoGetInt(int64_t &v)
{
    EvalValue to, from;
    KyResult r = ReadAsEvalValue(*mValue.Target(), to);
    if (r.IsOK())
        r = From(to, from);
    return r.IsOK() ? AsInt(*this, from, v) : r;
}

KyResult Converter::DoSetFloat(double v) { return Write(EvalValue::Float(v)); }
KyResult Converter::DoSetInt(int64_t v) { return Write(EvalValue::Int(v)); }

KyResult Converter::DoGetFloatMin(double &v)
{
    EvalValue lo, hi;
    KyResult r = Limits(lo, hi);
    v = lo.AsFloat();
    return r;
}

KyResult Converter::DoGetFloatMax(double &v)
{
    EvalValue lo, hi;
    KyResult r = Limits(lo, hi);
    v = hi.AsFloat();
    return r;
}

KyResult Converter::DoGetIntMin(int64_t &v)
{
    EvalValue lo, hi;
    KyResult r = Limits(lo, hi);
    return r.IsOK() ? AsInt(*this, lo, v) : r;
}

KyResult Converter::DoGetIntMax(int64_t &v)
{
    EvalValue lo, hi;
    KyResult r = Limits(lo, hi);
    return r.IsOK() ? AsInt(*this, hi, v) : r;
}

}  // namespace ky::gc
