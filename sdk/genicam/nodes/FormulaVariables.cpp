#include "nodes/FormulaVariables.h"

#include "NodeMap.h"

namespace ky::gc {

KyResult ReadAsEvalValue(Node &node, EvalValue &out)
{
    if (node.Kind() == Interface::Float) {
        double f = 0;
        KyResult r = node.GetFloat(f);
        out = EvalValue::Float(f);
        return r;
    }
    int64_t i = 0;
    KyResult r = node.GetInt(i);
    out = EvalValue::Int(i);
    return r;
}

bool FormulaVariables::ParseChild(const tinyxml2::XMLElement &c, std::string &error)
{
    std::string tag = c.Name();
    if (tag != "pVariable" && tag != "Constant" && tag != "Expression")
        return false;
    const char *name = c.Attribute("Name");
    std::string text = c.GetText() ? c.GetText() : "";
    if (!name || !*name) {
        error = "has a <" + tag + "> without Name";
        return true;
    }
    if (tag == "pVariable") {
        Property p;
        size_t b = text.find_first_not_of(" \t\r\n"), e = text.find_last_not_of(" \t\r\n");
        p.SetReference(b == std::string::npos ? std::string() : text.substr(b, e - b + 1));
        mVariables.emplace_back(name, p);
    } else if (tag == "Constant") {
        int64_t i = 0;
        double f = 0;
        if (ParseInt(text, i))
            mConstants[name] = EvalValue::Int(i);
        else if (ParseFloat(text, f))
            mConstants[name] = EvalValue::Float(f);
        else
            error = std::string("has a bad Constant ") + name + " '" + text + "'";
    } else {
        EvalStatus s = mExpressions[name].Compile(text);
        if (s != EvalStatus::Ok)
            error = std::string("has a bad Expression ") + name + " '" + text + "': " + EvalStatusName(s);
    }
    return true;
}

KyResult FormulaVariables::Link(NodeMap &map, const Node &owner)
{
    KyResult r;
    for (auto &v : mVariables)
        r |= v.second.Link(map, owner, "pVariable");
    return r;
}

void FormulaVariables::ValueReferences(std::vector<const Property *> &out) const
{
    for (auto &v : mVariables)
        out.push_back(&v.second);
}

KyResult FormulaVariables::Compile(const Node &owner, const char *what, const std::string &text,
                                   Evaluator &evaluator)
{
    EvalStatus s = evaluator.Compile(text);
    if (s == EvalStatus::Ok)
        return KyResult();
    return owner.Error(KY_GENICAM_XML_ERROR, std::string(what) + " '" + text +
                                                 "' cannot be read: " + EvalStatusName(s) + " at offset " +
                                                 std::to_string(evaluator.ErrorOffset()));
}

KyResult FormulaVariables::CheckNames(const Node &owner, const Evaluator &evaluator,
                                      const std::vector<std::string> &extra) const
{
    for (const std::string &name : evaluator.VariableNames()) {
        bool known = mConstants.count(name) || mExpressions.count(name) || name == "E" || name == "PI";
        for (auto &v : mVariables)
            known = known || v.first == name;
        for (auto &x : extra)
            known = known || x == name;
        if (!known)
            return owner.Error(KY_GENICAM_XML_ERROR, "formula '" + evaluator.Formula() +
                                                         "' uses the unknown variable '" + name + "'");
    }
    return KyResult();
}

KyResult FormulaVariables::Evaluate(NodeMap &map, const Node &owner, const Evaluator &evaluator,
                                    const std::map<std::string, EvalValue> &extra, bool asFloat,
                                    EvalValue &out) const
{
    KyResult failure;
    Evaluator::Resolver resolve = [&](const std::string &name, EvalValue &value) -> EvalStatus {
        auto x = extra.find(name);
        if (x != extra.end()) {
            value = x->second;
            return EvalStatus::Ok;
        }
        auto c = mConstants.find(name);
        if (c != mConstants.end()) {
            value = c->second;
            return EvalStatus::Ok;
        }
        for (auto &v : mVariables) {
            if (v.first != name)
                continue;
            failure = ReadAsEvalValue(*v.second.Target(), value);
            return failure.IsOK() ? EvalStatus::Ok : EvalStatus::VariableError;
        }
        auto e = mExpressions.find(name);
        if (e == mExpressions.end())
            return EvalStatus::UnknownVariable;
        // Expressions may name each other: the depth guard stops a loop.
        DepthGuard guard(map, owner);
        if (!guard.Ok()) {
            failure = guard.Result();
            return EvalStatus::VariableError;
        }
        return e->second.Evaluate(resolve, value, asFloat);
    };
    EvalStatus s = evaluator.Evaluate(resolve, out, asFloat);
    if (s == EvalStatus::Ok)
        return KyResult();
    if (s == EvalStatus::VariableError && !failure.IsOK())
        return failure;
    return owner.Error(KY_INVALID_DATA_FORMAT,
                       "formula '" + evaluator.Formula() + "' failed: " + EvalStatusName(s));
}

}  // namespace ky::gc
