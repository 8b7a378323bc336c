#include "EvalOperators.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace ky::gc {
namespace {

using Args = const EvalValue *;

// Integer arithmetic wraps modulo 2^64 (two's complement), which keeps it defined.
int64_t Wrap(uint64_t v) { return static_cast<int64_t>(v); }
uint64_t U(int64_t v) { return static_cast<uint64_t>(v); }

EvalStatus Finite(double v, EvalValue &out)
{
    if (!std::isfinite(v))
        return EvalStatus::NotFinite;
    out = EvalValue::Float(v);
    return EvalStatus::Ok;
}

bool BothInt(Args a) { return !a[0].isFloat && !a[1].isFloat; }

EvalStatus Add(Args a, int, EvalValue &o)
{
    if (BothInt(a)) {
        o = EvalValue::Int(Wrap(U(a[0].i) + U(a[1].i)));
        return EvalStatus::Ok;
    }
    return Finite(a[0].AsFloat() + a[1].AsFloat(), o);
}
EvalStatus Sub(Args a, int, EvalValue &o)
{
    if (BothInt(a)) {
        o = EvalValue::Int(Wrap(U(a[0].i) - U(a[1].i)));
        return EvalStatus::Ok;
    }
    return Finite(a[0].AsFloat() - a[1].AsFloat(), o);
}
EvalStatus Mul(Args a, int, EvalValue &o)
{
    if (BothInt(a)) {
        o = EvalValue::Int(Wrap(U(a[0].i) * U(a[1].i)));
        return EvalStatus::Ok;
    }
    return Finite(a[0].AsFloat() * a[1].AsFloat(), o);
}
EvalStatus Div(Args a, int, EvalValue &o)
{
    if (BothInt(a)) {
        if (a[1].i == 0)
            return EvalStatus::DivisionByZero;
        if (a[1].i == -1) {
            o = EvalValue::Int(Wrap(0 - U(a[0].i)));
            return EvalStatus::Ok;
        }
        o = EvalValue::Int(a[0].i / a[1].i);
        return EvalStatus::Ok;
    }
    if (a[1].AsFloat() == 0.0)
        return EvalStatus::DivisionByZero;
    return Finite(a[0].AsFloat() / a[1].AsFloat(), o);
}
EvalStatus Mod(Args a, int, EvalValue &o)
{
    if (BothInt(a)) {
        if (a[1].i == 0)
            return EvalStatus::DivisionByZero;
        o = EvalValue::Int(a[1].i == -1 ? 0 : a[0].i % a[1].i);
        return EvalStatus::Ok;
    }
    if (a[1].AsFloat() == 0.0)
        return EvalStatus::DivisionByZero;
    return Finite(std::fmod(a[0].AsFloat(), a[1].AsFloat()), o);
}
EvalStatus Pow(Args a, int, EvalValue &o)
{
    if (BothInt(a) && a[1].i >= 0) {
        uint64_t base = U(a[0].i), result = 1;
        for (int64_t e = a[1].i; e > 0; e >>= 1) {
            if (e & 1)
                result *= base;
            base *= base;
        }
        o = EvalValue::Int(Wrap(result));
        return EvalStatus::Ok;
    }
    return Finite(std::pow(a[0].AsFloat(), a[1].AsFloat()), o);
}

// Bit operators work on integers; a float operand is truncated toward zero first.
bool Bits(Args a, int count, int64_t *v, EvalStatus &status)
{
    for (int k = 0; k < count; ++k) {
        status = ToInteger(a[k], v[k]);
        if (status != EvalStatus::Ok)
            return false;
    }
    return true;
}
EvalStatus BitAnd(Args a, int, EvalValue &o)
{
    int64_t v[2];
    EvalStatus s;
    if (!Bits(a, 2, v, s))
        return s;
    o = EvalValue::Int(v[0] & v[1]);
    return EvalStatus::Ok;
}
EvalStatus BitOr(Args a, int, EvalValue &o)
{
    int64_t v[2];
    EvalStatus s;
    if (!Bits(a, 2, v, s))
        return s;
    o = EvalValue::Int(v[0] | v[1]);
    return EvalStatus::Ok;
}
EvalStatus BitXor(Args a, int, EvalValue &o)
{
    int64_t v[2];
    EvalStatus s;
    if (!Bits(a, 2, v, s))
        return s;
    o = EvalValue::Int(v[0] ^ v[1]);
    return EvalStatus::Ok;
}
EvalStatus BitNot(Args a, int, EvalValue &o)
{
    int64_t v[1];
    EvalStatus s;
    if (!Bits(a, 1, v, s))
        return s;
    o = EvalValue::Int(~v[0]);
    return EvalStatus::Ok;
}
// Shift counts must lie in 0..63; the right shift keeps the sign.
EvalStatus ShiftLeft(Args a, int, EvalValue &o)
{
    int64_t v[2];
    EvalStatus s;
    if (!Bits(a, 2, v, s))
        return s;
    if (v[1] < 0 || v[1] > 63)
        return EvalStatus::ShiftOutOfRange;
    o = EvalValue::Int(Wrap(U(v[0]) << v[1]));
    return EvalStatus::Ok;
}
EvalStatus ShiftRight(Args a, int, EvalValue &o)
{
    int64_t v[2];
    EvalStatus s;
    if (!Bits(a, 2, v, s))
        return s;
    if (v[1] < 0 || v[1] > 63)
        return EvalStatus::ShiftOutOfRange;
    o = EvalValue::Int(v[0] < 0 ? ~(~v[0] >> v[1]) : v[0] >> v[1]);
    return EvalStatus::Ok;
}

int Compare(Args a)
{
    if (BothInt(a))
        return a[0].i < a[1].i ? -1 : (a[0].i > a[1].i ? 1 : 0);
    double x = a[0].AsFloat(), y = a[1].AsFloat();
    return x < y ? -1 : (x > y ? 1 : 0);
}
EvalStatus Eq(Args a, int, EvalValue &o)
{
    o = EvalValue::Int(Compare(a) == 0);
    return EvalStatus::Ok;
}
EvalStatus Ne(Args a, int, EvalValue &o)
{
    o = EvalValue::Int(Compare(a) != 0);
    return EvalStatus::Ok;
}
EvalStatus Lt(Args a, int, EvalValue &o)
{
    o = EvalValue::Int(Compare(a) < 0);
    return EvalStatus::Ok;
}
EvalStatus Le(Args a, int, EvalValue &o)
{
    o = EvalValue::Int(Compare(a) <= 0);
    return EvalStatus::Ok;
}
EvalStatus Gt(Args a, int, EvalValue &o)
{
    o = EvalValue::Int(Compare(a) > 0);
    return EvalStatus::Ok;
}
EvalStatus Ge(Args a, int, EvalValue &o)
{
    o = EvalValue::Int(Compare(a) >= 0);
    return EvalStatus::Ok;
}
EvalStatus Not(Args a, int, EvalValue &o)
{
    o = EvalValue::Int(!a[0].IsTrue());
    return EvalStatus::Ok;
}

EvalStatus Neg(Args a, int, EvalValue &o)
{
    if (!a[0].isFloat) {
        o = EvalValue::Int(Wrap(0 - U(a[0].i)));
        return EvalStatus::Ok;
    }
    o = EvalValue::Float(-a[0].f);
    return EvalStatus::Ok;
}
EvalStatus Plus(Args a, int, EvalValue &o)
{
    o = a[0];
    return EvalStatus::Ok;
}
EvalStatus Abs(Args a, int n, EvalValue &o)
{
    if (a[0].isFloat ? a[0].f < 0 : a[0].i < 0)
        return Neg(a, n, o);
    o = a[0];
    return EvalStatus::Ok;
}
EvalStatus Sgn(Args a, int, EvalValue &o)
{
    double v = a[0].AsFloat();
    o = EvalValue::Int(v > 0 ? 1 : (v < 0 ? -1 : 0));
    return EvalStatus::Ok;
}

// Rounding functions leave integers as they are.
template <double (*F)(double)>
EvalStatus Rounding(Args a, int, EvalValue &o)
{
    if (!a[0].isFloat) {
        o = a[0];
        return EvalStatus::Ok;
    }
    return Finite(F(a[0].f), o);
}
EvalStatus Round(Args a, int count, EvalValue &o)
{
    if (count == 1)
        return Rounding<std::round>(a, count, o);
    int64_t digits = 0;
    EvalStatus s = ToInteger(a[1], digits);
    if (s != EvalStatus::Ok)
        return s;
    if (digits < 0 || digits > 15)
        return EvalStatus::NotFinite;
    double scale = std::pow(10.0, static_cast<double>(digits));
    return Finite(std::round(a[0].AsFloat() * scale) / scale, o);
}

template <double (*F)(double)>
EvalStatus Math(Args a, int, EvalValue &o)
{
    return Finite(F(a[0].AsFloat()), o);
}

double Lg(double v) { return std::log10(v); }
double Ln(double v) { return std::log(v); }

const EvalOperator kBinary[] = {
    {"?", OpKind::Ternary, 1, true, 3, 3, nullptr},    {"||", OpKind::OrElse, 2, false, 2, 2, nullptr},
    {"&&", OpKind::AndThen, 3, false, 2, 2, nullptr},  {"|", OpKind::Binary, 4, false, 2, 2, BitOr},
    {"^", OpKind::Binary, 5, false, 2, 2, BitXor},     {"&", OpKind::Binary, 6, false, 2, 2, BitAnd},
    {"=", OpKind::Binary, 7, false, 2, 2, Eq},         {"==", OpKind::Binary, 7, false, 2, 2, Eq},
    {"<>", OpKind::Binary, 7, false, 2, 2, Ne},        {"!=", OpKind::Binary, 7, false, 2, 2, Ne},
    {"<", OpKind::Binary, 8, false, 2, 2, Lt},         {"<=", OpKind::Binary, 8, false, 2, 2, Le},
    {">", OpKind::Binary, 8, false, 2, 2, Gt},         {">=", OpKind::Binary, 8, false, 2, 2, Ge},
    {"<<", OpKind::Binary, 9, false, 2, 2, ShiftLeft}, {">>", OpKind::Binary, 9, false, 2, 2, ShiftRight},
    {"+", OpKind::Binary, 10, false, 2, 2, Add},       {"-", OpKind::Binary, 10, false, 2, 2, Sub},
    {"*", OpKind::Binary, 11, false, 2, 2, Mul},       {"/", OpKind::Binary, 11, false, 2, 2, Div},
    {"%", OpKind::Binary, 11, false, 2, 2, Mod},       {"**", OpKind::Binary, 14, true, 2, 2, Pow},
};

// Unary operators bind tighter than everything but "**": -2**2 is -(2**2).
const EvalOperator kUnary[] = {
    {"-", OpKind::Unary, 13, true, 1, 1, Neg},
    {"+", OpKind::Unary, 13, true, 1, 1, Plus},
    {"~", OpKind::Unary, 13, true, 1, 1, BitNot},
    {"!", OpKind::Unary, 13, true, 1, 1, Not},
};

const EvalOperator kFunctions[] = {
    {"SGN", OpKind::Function, 15, false, 1, 1, Sgn},
    {"NEG", OpKind::Function, 15, false, 1, 1, Neg},
    {"ABS", OpKind::Function, 15, false, 1, 1, Abs},
    {"SQRT", OpKind::Function, 15, false, 1, 1, Math<std::sqrt>},
    {"TRUNC", OpKind::Function, 15, false, 1, 1, Rounding<std::trunc>},
    {"FLOOR", OpKind::Function, 15, false, 1, 1, Rounding<std::floor>},
    {"CEIL", OpKind::Function, 15, false, 1, 1, Rounding<std::ceil>},
    {"ROUND", OpKind::Function, 15, false, 1, 2, Round},
    {"SIN", OpKind::Function, 15, false, 1, 1, Math<std::sin>},
    {"COS", OpKind::Function, 15, false, 1, 1, Math<std::cos>},
    {"TAN", OpKind::Function, 15, false, 1, 1, Math<std::tan>},
    {"ASIN", OpKind::Function, 15, false, 1, 1, Math<std::asin>},
    {"ACOS", OpKind::Function, 15, false, 1, 1, Math<std::acos>},
    {"ATAN", OpKind::Function, 15, false, 1, 1, Math<std::atan>},
    {"EXP", OpKind::Function, 15, false, 1, 1, Math<std::exp>},
    {"LN", OpKind::Function, 15, false, 1, 1, Math<Ln>},
    {"LG", OpKind::Function, 15, false, 1, 1, Math<Lg>},
};

template <size_t N>
const EvalOperator *Find(const EvalOperator (&table)[N], const std::string &symbol)
{
    for (const EvalOperator &op : table)
        if (symbol == op.symbol)
            return &op;
    return nullptr;
}

}  // namespace

const EvalOperator *FindBinaryOperator(const std::string &symbol) { return Find(kBinary, symbol); }
const EvalOperator *FindUnaryOperator(const std::string &symbol) { return Find(kUnary, symbol); }
const EvalOperator *FindFunction(const std::string &name) { return Find(kFunctions, name); }

bool FindConstant(const std::string &name, EvalValue &out)
{
    if (name == "PI") {
        out = EvalValue::Float(3.14159265358979323846);
        return true;
    }
    if (name == "E") {
        out = EvalValue::Float(2.71828182845904523536);
        return true;
    }
    return false;
}

EvalStatus ToInteger(const EvalValue &v, int64_t &out)
{
    if (!v.isFloat) {
        out = v.i;
        return EvalStatus::Ok;
    }
    // Truncation toward zero; values outside the 64-bit range have no integer.
    if (!std::isfinite(v.f) || v.f >= 9223372036854775808.0 || v.f < -9223372036854775808.0)
        return EvalStatus::NotFinite;
    out = static_cast<int64_t>(v.f);
    return EvalStatus::Ok;
}

const char *EvalStatusName(EvalStatus status)
{
    switch (status) {
    case EvalStatus::Ok:
        return "ok";
    case EvalStatus::EmptyExpression:
        return "empty expression";
    case EvalStatus::UnknownCharacter:
        return "unknown character";
    case EvalStatus::BadNumber:
        return "bad number";
    case EvalStatus::UnknownVariable:
        return "unknown variable";
    case EvalStatus::UnknownFunction:
        return "unknown function";
    case EvalStatus::MissingOperand:
        return "missing operand";
    case EvalStatus::MissingOperator:
        return "missing operator";
    case EvalStatus::MissingParenthesis:
        return "missing parenthesis";
    case EvalStatus::UnbalancedParenthesis:
        return "unbalanced parenthesis";
    case EvalStatus::TernaryMismatch:
        return "'?' without ':'";
    case EvalStatus::WrongArgumentCount:
        return "wrong argument count";
    case EvalStatus::StackOverflow:
        return "expression too deep";
    case EvalStatus::DivisionByZero:
        return "division by zero";
    case EvalStatus::ShiftOutOfRange:
        return "shift count outside 0..63";
    case EvalStatus::NotFinite:
        return "not a finite number";
    case EvalStatus::VariableError:
        return "variable could not be read";
    }
    return "unknown status";
}

}  // namespace ky::gc
