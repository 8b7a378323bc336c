// The named inputs of a formula node: <pVariable Name="X">Node</pVariable>,
// <Constant Name="C">1.5</Constant> and <Expression Name="E">X*2</Expression>.
// Shared by SwissKnife and Converter nodes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Node.h"
#include "eval/Evaluator.h"

namespace ky::gc {

class FormulaVariables
{
public:
    // Takes the child when it is one of the three; failures go to error.
    bool ParseChild(const tinyxml2::XMLElement &child, std::string &error);
    KyResult Link(NodeMap &map, const Node &owner);
    void ValueReferences(std::vector<const Property *> &out) const;

    // Compiles a formula of the owner; an XML error names the formula and the fault.
    static KyResult Compile(const Node &owner, const char *what, const std::string &text,
                            Evaluator &evaluator);

    // Every name the formula uses must be a variable, a constant, an expression, one of
    // the extra names, or E or PI.
    KyResult CheckNames(const Node &owner, const Evaluator &evaluator,
                        const std::vector<std::string> &extra) const;

    // Evaluates with the variables, plus extra ones (TO, FROM) given by the caller.
    // A failure names the node, the formula and the reason.
    KyResult Evaluate(NodeMap &map, const Node &owner, const Evaluator &evaluator,
                      const std::map<std::string, EvalValue> &extra, bool asFloat, EvalValue &out) const;

private:
    std::vector<std::pair<std::string, Property>> mVariables;
    std::map<std::string, EvalValue> mConstants;
    std::map<std::string, Evaluator> mExpressions;
};

// Reads a node's value as a formula value: floats as doubles, everything else as integers.
KyResult ReadAsEvalValue(Node &node, EvalValue &out);

}  // namespace ky::gc
