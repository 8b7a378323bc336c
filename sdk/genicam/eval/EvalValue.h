// A number inside a formula: a 64-bit integer kept exact, or a double.
#pragma once

#include <cstdint>

namespace ky::gc {

struct EvalValue
{
    bool isFloat = false;
    int64_t i = 0;
    double f = 0.0;

    static EvalValue Int(int64_t v)
    {
        EvalValue r;
        r.i = v;
        return r;
    }
    static EvalValue Float(double v)
    {
        EvalValue r;
        r.isFloat = true;
        r.f = v;
        return r;
    }
    double AsFloat() const { return isFloat ? f : static_cast<double>(i); }
    bool IsTrue() const { return isFloat ? f != 0.0 : i != 0; }
};

// Why a formula could not be compiled or evaluated.
enum class EvalStatus {
    Ok,
    EmptyExpression,
    UnknownCharacter,
    BadNumber,
    UnknownVariable,
    UnknownFunction,
    MissingOperand,
    MissingOperator,
    MissingParenthesis,
    UnbalancedParenthesis,
    TernaryMismatch,
    WrongArgumentCount,
    StackOverflow,
    DivisionByZero,
    ShiftOutOfRange,
    NotFinite,
    VariableError,
};

const char *EvalStatusName(EvalStatus status);

}  // namespace ky::gc
