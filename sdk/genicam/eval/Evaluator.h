// Formula evaluator for SwissKnife and Converter nodes: compiled once, evaluated on demand.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "EvalOperators.h"
#include "EvalValue.h"

namespace ky::gc {

class Evaluator
{
public:
    // Gives the value of a variable: Ok, UnknownVariable, or VariableError.
    using Resolver = std::function<EvalStatus(const std::string &name, EvalValue &out)>;

    static constexpr size_t kMaxTokens = 4096;
    // Evaluation recurses once per tree level; expressions may call one another up to the
    // node map's depth guard, so both stay small enough for any thread's stack.
    static constexpr int kMaxDepth = 100;

    // Compiles the formula; the status says what is wrong with it.
    EvalStatus Compile(const std::string &formula);
    // Evaluates the compiled formula. Variables are looked up through the resolver first,
    // then among the constants (E, PI). With asFloat every number is taken as a double
    // (SwissKnife and Converter); otherwise integers stay exact 64-bit values.
    EvalStatus Evaluate(const Resolver &resolver, EvalValue &out, bool asFloat = false) const;
    // Names used as variables by the compiled formula, each once.
    std::vector<std::string> VariableNames() const;

    const std::string &Formula() const { return mFormula; }
    // Offset in the formula where compiling stopped (for messages).
    size_t ErrorOffset() const { return mErrorAt; }

private:
    struct Expr
    {
        const EvalOperator *op = nullptr;  // null: a number or a variable
        bool isVariable = false;
        std::string name;
        EvalValue number;
        int args[3] = {-1, -1, -1};
        int argCount = 0;
    };

    struct Pending
    {
        enum Kind { Operator, Function, Paren, Question, Ternary } kind;
        const EvalOperator *op;
        int argCount;
    };

    EvalStatus Emit(const Pending &p, std::vector<int> &stack, std::vector<int> &depth);
    EvalStatus Eval(int index, const Resolver &resolver, bool asFloat, EvalValue &out) const;

    std::string mFormula;
    std::vector<Expr> mNodes;
    int mRoot = -1;
    size_t mErrorAt = 0;
};

}  // namespace ky::gc
