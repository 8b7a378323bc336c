// The formula language on its own: one row per expression.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "eval/Evaluator.h"

using namespace ky::gc;

namespace {

struct Row
{
    const char *expression;
    EvalStatus status;
    bool isFloat;
    int64_t i;
    double f;
};

const Row kRows[] = {
    // literals, kept exact
    {"42", EvalStatus::Ok, false, 42, 0},
    {"0x10", EvalStatus::Ok, false, 16, 0},
    {"0xFFFFFFFFFFFFFFFF", EvalStatus::Ok, false, -1, 0},
    {"9223372036854775807", EvalStatus::Ok, false, INT64_MAX, 0},
    {"9007199254740993", EvalStatus::Ok, false, 9007199254740993LL, 0},  // not representable as double
    {"1.5", EvalStatus::Ok, true, 0, 1.5},
    {"2.5e2", EvalStatus::Ok, true, 0, 250.0},
    // precedence and associativity
    {"1 + 2 * 3", EvalStatus::Ok, false, 7, 0},
    {"(1 + 2) * 3", EvalStatus::Ok, false, 9, 0},
    {"10 - 4 - 3", EvalStatus::Ok, false, 3, 0},
    {"2 ** 3 ** 2", EvalStatus::Ok, false, 512, 0},
    {"-2 ** 2", EvalStatus::Ok, false, -4, 0},
    {"7 / 2", EvalStatus::Ok, false, 3, 0},
    {"-7 / 2", EvalStatus::Ok, false, -3, 0},
    {"7 % 3", EvalStatus::Ok, false, 1, 0},
    {"7 / 2.0", EvalStatus::Ok, true, 0, 3.5},
    {"1 + 2 = 3", EvalStatus::Ok, false, 1, 0},
    {"1 <> 1", EvalStatus::Ok, false, 0, 0},
    {"3 >= 3 && 2 < 1", EvalStatus::Ok, false, 0, 0},
    {"0 || 5", EvalStatus::Ok, false, 1, 0},
    {"!0 + ~0", EvalStatus::Ok, false, 0, 0},
    {"0xF0 | 0x0F ^ 0xFF & 0x3C", EvalStatus::Ok, false, 0xF0 | (0x0F ^ (0xFF & 0x3C)), 0},
    {"1 << 4 >> 2", EvalStatus::Ok, false, 4, 0},
    {"-16 >> 2", EvalStatus::Ok, false, -4, 0},
    // defined overflow: wraps modulo 2^64
    {"9223372036854775807 + 1", EvalStatus::Ok, false, INT64_MIN, 0},
    {"0x7FFFFFFFFFFFFFFF * 2", EvalStatus::Ok, false, -2, 0},
    {"-9223372036854775807 - 1 - 1", EvalStatus::Ok, false, INT64_MAX, 0},
    {"1 << 63", EvalStatus::Ok, false, INT64_MIN, 0},
    // ternary, lazy and nested
    {"1 ? 2 : 3", EvalStatus::Ok, false, 2, 0},
    {"0 ? 2 : 0 ? 3 : 4", EvalStatus::Ok, false, 4, 0},
    {"1 ? 0 ? 5 : 6 : 7", EvalStatus::Ok, false, 6, 0},
    {"0 ? 1 / 0 : 9", EvalStatus::Ok, false, 9, 0},
    {"0 && 1 / 0", EvalStatus::Ok, false, 0, 0},
    // functions and constants
    {"ABS(-5)", EvalStatus::Ok, false, 5, 0},
    {"SGN(-2.5)", EvalStatus::Ok, false, -1, 0},
    {"NEG(3)", EvalStatus::Ok, false, -3, 0},
    {"SQRT(16)", EvalStatus::Ok, true, 0, 4.0},
    {"TRUNC(-2.7)", EvalStatus::Ok, true, 0, -2.0},
    {"FLOOR(-2.5)", EvalStatus::Ok, true, 0, -3.0},
    {"CEIL(2.1)", EvalStatus::Ok, true, 0, 3.0},
    {"ROUND(2.5)", EvalStatus::Ok, true, 0, 3.0},
    {"ROUND(2.3456, 2)", EvalStatus::Ok, true, 0, 2.35},
    {"SIN(0) + COS(0)", EvalStatus::Ok, true, 0, 1.0},
    {"LN(E)", EvalStatus::Ok, true, 0, 1.0},
    {"LG(1000)", EvalStatus::Ok, true, 0, 3.0},
    {"ATAN(1) * 4 - PI", EvalStatus::Ok, true, 0, 0.0},
    {"EXP(0)", EvalStatus::Ok, true, 0, 1.0},
    // variables
    {"X * 2 + Y", EvalStatus::Ok, false, 21, 0},
    {"Reg.Value + 1", EvalStatus::Ok, false, 8, 0},
    {"F / 2", EvalStatus::Ok, true, 0, 1.25},
    // failures, each with its own status
    {"", EvalStatus::EmptyExpression, false, 0, 0},
    {"1 $ 2", EvalStatus::UnknownCharacter, false, 0, 0},
    {"12ab", EvalStatus::BadNumber, false, 0, 0},
    {"0x", EvalStatus::BadNumber, false, 0, 0},
    {"99999999999999999999", EvalStatus::BadNumber, false, 0, 0},
    {"Z + 1", EvalStatus::UnknownVariable, false, 0, 0},
    {"FOO(1)", EvalStatus::UnknownFunction, false, 0, 0},
    {"1 +", EvalStatus::MissingOperand, false, 0, 0},
    {"* 2", EvalStatus::MissingOperand, false, 0, 0},
    {"1 2", EvalStatus::MissingOperator, false, 0, 0},
    {"(1 + 2", EvalStatus::MissingParenthesis, false, 0, 0},
    {"1 + 2)", EvalStatus::UnbalancedParenthesis, false, 0, 0},
    {"1 ? 2", EvalStatus::TernaryMismatch, false, 0, 0},
    {"1 : 2", EvalStatus::TernaryMismatch, false, 0, 0},
    {"SQRT(1, 2)", EvalStatus::WrongArgumentCount, false, 0, 0},
    {"SQRT()", EvalStatus::WrongArgumentCount, false, 0, 0},
    {"1 / 0", EvalStatus::DivisionByZero, false, 0, 0},
    {"1 % 0", EvalStatus::DivisionByZero, false, 0, 0},
    {"1.0 / 0", EvalStatus::DivisionByZero, false, 0, 0},
    {"1 << 64", EvalStatus::ShiftOutOfRange, false, 0, 0},
    {"1 >> -1", EvalStatus::ShiftOutOfRange, false, 0, 0},
    {"SQRT(-1)", EvalStatus::NotFinite, false, 0, 0},
    {"LN(0)", EvalStatus::NotFinite, false, 0, 0},
    {"EXP(1000)", EvalStatus::NotFinite, false, 0, 0},
    {"BAD + 1", EvalStatus::VariableError, false, 0, 0},
};

EvalStatus Resolve(const std::string &name, EvalValue &out)
{
    static const std::map<std::string, EvalValue> vars = {{"X", EvalValue::Int(10)},
                                                          {"Y", EvalValue::Int(1)},
                                                          {"Reg.Value", EvalValue::Int(7)},
                                                          {"F", EvalValue::Float(2.5)}};
    if (name == "BAD")
        return EvalStatus::VariableError;
    auto it = vars.find(name);
    if (it == vars.end())
        return EvalStatus::UnknownVariable;
    out = it->second;
    return EvalStatus::Ok;
}

}  // namespace

TEST(Evaluator, TableOfExpressions)
{
    for (const Row &row : kRows) {
        SCOPED_TRACE(row.expression);
        Evaluator e;
        EvalValue v;
        EvalStatus s = e.Compile(row.expression);
        if (s == EvalStatus::Ok)
            s = e.Evaluate(Resolve, v);
        ASSERT_EQ(EvalStatusName(s), std::string(EvalStatusName(row.status)));
        if (s != EvalStatus::Ok)
            continue;
        EXPECT_EQ(v.isFloat, row.isFloat);
        if (row.isFloat)
            EXPECT_NEAR(v.f, row.f, 1e-12);
        else
            EXPECT_EQ(v.i, row.i);
    }
}

TEST(Evaluator, DeepNestingIsRefusedNotOverflowed)
{
    Evaluator e;
    std::string atLimit(Evaluator::kMaxDepth - 1, '('), tooDeep(100000, '(');
    atLimit += "1" + std::string(Evaluator::kMaxDepth - 1, ')');
    EXPECT_EQ(e.Compile(atLimit), EvalStatus::Ok);
    tooDeep += "1" + std::string(100000, ')');
    EXPECT_EQ(e.Compile(tooDeep), EvalStatus::StackOverflow);
    std::string chain = "1";
    for (int k = 0; k < Evaluator::kMaxDepth + 5; ++k)
        chain = "-" + chain;
    EXPECT_EQ(e.Compile(chain), EvalStatus::StackOverflow);
}

TEST(Evaluator, FloatModeTakesEveryNumberAsDouble)
{
    Evaluator e;
    EvalValue v;
    ASSERT_EQ(e.Compile("X / 4"), EvalStatus::Ok);
    ASSERT_EQ(e.Evaluate(Resolve, v), EvalStatus::Ok);
    EXPECT_EQ(v.i, 2);
    ASSERT_EQ(e.Evaluate(Resolve, v, true), EvalStatus::Ok);
    EXPECT_EQ(v.f, 2.5);
    ASSERT_EQ(e.Compile("(X | 1) / 2"), EvalStatus::Ok);  // bit operators still work on integers
    ASSERT_EQ(e.Evaluate(Resolve, v, true), EvalStatus::Ok);
    EXPECT_EQ(v.f, 5.5);
}

TEST(Evaluator, VariableNamesAreListedOnce)
{
    Evaluator e;
    ASSERT_EQ(e.Compile("A + B * A - SQRT(C)"), EvalStatus::Ok);
    EXPECT_EQ(e.VariableNames(), (std::vector<std::string>{"A", "B", "C"}));
}
