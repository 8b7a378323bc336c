#include "Evaluator.h"

#include <algorithm>

#include "EvalTokenizer.h"

namespace ky::gc {

// Turns one finished operator into a tree node over the operands on the stack.
EvalStatus Evaluator::Emit(const Pending &p, std::vector<int> &stack, std::vector<int> &depth)
{
    if (p.kind == Pending::Paren || p.kind == Pending::Question)
        return p.kind == Pending::Paren ? EvalStatus::MissingParenthesis : EvalStatus::TernaryMismatch;
    int count = p.kind == Pending::Function ? p.argCount : p.op->minArgs;
    if (count < p.op->minArgs || count > p.op->maxArgs)
        return EvalStatus::WrongArgumentCount;
    if (static_cast<int>(stack.size()) < count)
        return EvalStatus::MissingOperand;
    Expr e;
    e.op = p.op;
    e.argCount = count;
    int d = 0;
    for (int k = count - 1; k >= 0; --k) {
        e.args[k] = stack.back();
        d = std::max(d, depth[static_cast<size_t>(stack.back())]);
        stack.pop_back();
    }
    if (d + 1 > kMaxDepth)
        return EvalStatus::StackOverflow;
    mNodes.push_back(e);
    depth.push_back(d + 1);
    stack.push_back(static_cast<int>(mNodes.size() - 1));
    return EvalStatus::Ok;
}

EvalStatus Evaluator::Compile(const std::string &formula)
{
    mFormula = formula;
    mNodes.clear();
    mRoot = -1;
    mErrorAt = 0;
    std::vector<EvalToken> tokens;
    EvalStatus s = Tokenize(formula, tokens, mErrorAt);
    if (s != EvalStatus::Ok)
        return s;
    if (tokens.empty())
        return EvalStatus::EmptyExpression;
    if (tokens.size() > kMaxTokens)
        return EvalStatus::StackOverflow;

    std::vector<int> out, depth;  // operand stack of node indices, and each node's depth
    std::vector<Pending> ops;
    bool expectOperand = true;
    auto popUntil = [&](auto stop) -> EvalStatus {
        while (!ops.empty() && !stop(ops.back())) {
            EvalStatus st = Emit(ops.back(), out, depth);
            if (st != EvalStatus::Ok)
                return st;
            ops.pop_back();
        }
        return EvalStatus::Ok;
    };
    auto isOpen = [](const Pending &p) { return p.kind == Pending::Paren; };

    for (size_t k = 0; k < tokens.size(); ++k) {
        const EvalToken &t = tokens[k];
        mErrorAt = t.offset;
        bool callsFunction =
            t.kind == TokenKind::Name && k + 1 < tokens.size() && tokens[k + 1].kind == TokenKind::LeftParen;
        if ((t.kind == TokenKind::Number || t.kind == TokenKind::Name) && !expectOperand)
            return EvalStatus::MissingOperator;
        if (callsFunction) {
            const EvalOperator *f = FindFunction(t.text);
            if (!f)
                return EvalStatus::UnknownFunction;
            ops.push_back({Pending::Function, f, 1});
            ops.push_back({Pending::Paren, nullptr, 0});
            ++k;
            if (k + 1 < tokens.size() && tokens[k + 1].kind == TokenKind::RightParen)
                return EvalStatus::WrongArgumentCount;
            continue;
        }
        switch (t.kind) {
        case TokenKind::Number:
        case TokenKind::Name: {
            Expr e;
            e.isVariable = t.kind == TokenKind::Name;
            e.name = t.text;
            e.number = t.number;
            mNodes.push_back(e);
            depth.push_back(1);
            out.push_back(static_cast<int>(mNodes.size() - 1));
            expectOperand = false;
            break;
        }
        case TokenKind::LeftParen:
            if (!expectOperand)
                return EvalStatus::MissingOperator;
            ops.push_back({Pending::Paren, nullptr, 0});
            break;
        case TokenKind::RightParen:
        case TokenKind::Comma: {
            if (expectOperand)
                return EvalStatus::MissingOperand;
            if ((s = popUntil(isOpen)) != EvalStatus::Ok)
                return s;
            if (ops.empty())
                return EvalStatus::UnbalancedParenthesis;
            bool inFunction = ops.size() >= 2 && ops[ops.size() - 2].kind == Pending::Function;
            if (t.kind == TokenKind::Comma) {
                if (!inFunction)
                    return EvalStatus::UnbalancedParenthesis;
                ++ops[ops.size() - 2].argCount;
                expectOperand = true;
                break;
            }
            ops.pop_back();
            if (inFunction) {
                if ((s = Emit(ops.back(), out, depth)) != EvalStatus::Ok)
                    return s;
                ops.pop_back();
            }
            break;
        }
        case TokenKind::Colon: {
            if (expectOperand)
                return EvalStatus::MissingOperand;
            s = popUntil(
                [](const Pending &p) { return p.kind == Pending::Paren || p.kind == Pending::Question; });
            if (s != EvalStatus::Ok)
                return s;
            if (ops.empty() || ops.back().kind != Pending::Question)
                return EvalStatus::TernaryMismatch;
            ops.back().kind = Pending::Ternary;
            expectOperand = true;
            break;
        }
        case TokenKind::Operator: {
            if (expectOperand) {
                const EvalOperator *u = FindUnaryOperator(t.text);
                if (!u)
                    return EvalStatus::MissingOperand;
                ops.push_back({Pending::Operator, u, 1});
                break;
            }
            const EvalOperator *b = FindBinaryOperator(t.text);
            if (!b)
                return EvalStatus::MissingOperand;  // "~" or "!" after an operand
            s = popUntil([b](const Pending &p) {
                if (p.kind != Pending::Operator && p.kind != Pending::Ternary)
                    return true;
                if (b->kind == OpKind::Ternary)
                    return p.kind == Pending::Ternary;
                return !(p.op->precedence > b->precedence ||
                         (p.op->precedence == b->precedence && !b->rightAssoc));
            });
            if (s != EvalStatus::Ok)
                return s;
            ops.push_back({b->kind == OpKind::Ternary ? Pending::Question : Pending::Operator, b, 0});
            expectOperand = true;
            break;
        }
        }
    }
    mErrorAt = formula.size();
    if (expectOperand)
        return EvalStatus::MissingOperand;
    if ((s = popUntil([](const Pending &) { return false; })) != EvalStatus::Ok)
        return s;
    if (out.size() != 1)
        return EvalStatus::MissingOperator;
    mRoot = out.back();
    return EvalStatus::Ok;
}

EvalStatus Evaluator::Eval(int index, const Resolver &resolver, bool asFloat, EvalValue &out) const
{
    const Expr &e = mNodes[static_cast<size_t>(index)];
    if (!e.op) {
        EvalStatus s = EvalStatus::Ok;
        if (!e.isVariable)
            out = e.number;
        else if ((s = resolver ? resolver(e.name, out) : EvalStatus::UnknownVariable) ==
                     EvalStatus::UnknownVariable &&
                 FindConstant(e.name, out))
            s = EvalStatus::Ok;
        if (asFloat && !out.isFloat)
            out = EvalValue::Float(static_cast<double>(out.i));
        return s;
    }
    EvalValue a[3];
    EvalStatus s = Eval(e.args[0], resolver, asFloat, a[0]);
    if (s != EvalStatus::Ok)
        return s;
    switch (e.op->kind) {
    case OpKind::Ternary:
        return Eval(a[0].IsTrue() ? e.args[1] : e.args[2], resolver, asFloat, out);
    case OpKind::AndThen:
    case OpKind::OrElse:
        if (a[0].IsTrue() == (e.op->kind == OpKind::OrElse)) {
            out = EvalValue::Int(a[0].IsTrue());
            return EvalStatus::Ok;
        }
        if ((s = Eval(e.args[1], resolver, asFloat, a[1])) != EvalStatus::Ok)
            return s;
        out = EvalValue::Int(a[1].IsTrue());
        return EvalStatus::Ok;
    default:
        for (int k = 1; k < e.argCount; ++k)
            if ((s = Eval(e.args[k], resolver, asFloat, a[k])) != EvalStatus::Ok)
                return s;
        return e.op->apply(a, e.argCount, out);
    }
}

EvalStatus Evaluator::Evaluate(const Resolver &resolver, EvalValue &out, bool asFloat) const
{
    if (mRoot < 0)
        return EvalStatus::EmptyExpression;
    return Eval(mRoot, resolver, asFloat, out);
}

std::vector<std::string> Evaluator::VariableNames() const
{
    std::vector<std::string> names;
    for (const Expr &e : mNodes)
        if (e.isVariable && std::find(names.begin(), names.end(), e.name) == names.end())
            names.push_back(e.name);
    return names;
}

}  // namespace ky::gc
