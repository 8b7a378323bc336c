// Splits a formula into numbers, names, operators and punctuation.
#pragma once

#include <string>
#include <vector>

#include "EvalValue.h"

namespace ky::gc {

enum class TokenKind { Number, Name, Operator, LeftParen, RightParen, Comma, Colon };

struct EvalToken
{
    TokenKind kind;
    std::string text;
    EvalValue number;   // for Number
    size_t offset = 0;  // where the token starts in the formula
};

// Fills tokens; on failure returns the status and leaves the offending offset in errorAt.
EvalStatus Tokenize(const std::string &text, std::vector<EvalToken> &tokens, size_t &errorAt);

}  // namespace ky::gc
