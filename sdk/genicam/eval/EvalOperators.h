// The operators and functions of the formula language, in one table.
#pragma once

#include <string>

#include "EvalValue.h"

namespace ky::gc {

enum class OpKind {
    Binary,
    Unary,
    Function,
    Ternary,  // cond ? a : b, evaluated lazily
    AndThen,  // &&, short-circuit
    OrElse,   // ||, short-circuit
};

struct EvalOperator
{
    const char *symbol;
    OpKind kind;
    int precedence;  // higher binds tighter; functions bind tightest
    bool rightAssoc;
    int minArgs;
    int maxArgs;
    // Computes the result from args[0..count); not used for the lazy kinds.
    EvalStatus (*apply)(const EvalValue *args, int count, EvalValue &out);
};

// Binary or ternary operator by its symbol ("+", "<<", "?"), or nullptr.
const EvalOperator *FindBinaryOperator(const std::string &symbol);
// Unary prefix operator by its symbol ("-", "+", "~", "!"), or nullptr.
const EvalOperator *FindUnaryOperator(const std::string &symbol);
// Function by its name (upper case, as "SQRT"), or nullptr.
const EvalOperator *FindFunction(const std::string &name);
// The symbolic constants (E, PI); false when the name is not one.
bool FindConstant(const std::string &name, EvalValue &out);

// Checked conversions shared with the nodes that take a formula's result.
EvalStatus ToInteger(const EvalValue &v, int64_t &out);

}  // namespace ky::gc
