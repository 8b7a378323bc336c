#include "EvalTokenizer.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ky::gc {
namespace {

const char *const kTwoCharOperators[] = {"**", "<<", ">>", "<=", ">=", "<>", "&&", "||", "==", "!="};
const char kOneCharOperators[] = "+-*/%&|^~!=<>?";

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

// Integer literals stay exact: decimal and hexadecimal up to 2^64-1, the upper half read
// as the two's complement value (so 0xFFFFFFFFFFFFFFFF is -1, as a 64-bit mask).
EvalStatus ReadNumber(const std::string &text, size_t &pos, EvalValue &out)
{
    const char *start = text.c_str() + pos;
    bool hex = start[0] == '0' && (start[1] == 'x' || start[1] == 'X');
    char *end = nullptr;
    if (hex) {
        if (!std::isxdigit(static_cast<unsigned char>(start[2])))
            return EvalStatus::BadNumber;
        errno = 0;
        unsigned long long v = std::strtoull(start + 2, &end, 16);
        if (errno == ERANGE)
            return EvalStatus::BadNumber;
        out = EvalValue::Int(static_cast<int64_t>(v));
    } else {
        size_t n = 0;
        while (std::isdigit(static_cast<unsigned char>(start[n])))
            ++n;
        bool isFloat = start[n] == '.' || start[n] == 'e' || start[n] == 'E';
        errno = 0;
        if (isFloat) {
            double v = std::strtod(start, &end);
            if (errno == ERANGE || end == start)
                return EvalStatus::BadNumber;
            out = EvalValue::Float(v);
        } else {
            unsigned long long v = std::strtoull(start, &end, 10);
            if (errno == ERANGE)
                return EvalStatus::BadNumber;
            out = EvalValue::Int(static_cast<int64_t>(v));
        }
    }
    if (IsNameChar(*end))
        return EvalStatus::BadNumber;  // "12ab", "0x1g"
    pos += static_cast<size_t>(end - start);
    return EvalStatus::Ok;
}

// Reads one token (or skips one blank) at pos.
EvalStatus Next(const std::string &text, size_t &pos, std::vector<EvalToken> &tokens)
{
    const size_t start = pos;
    char c = text[pos];
    if (std::isspace(static_cast<unsigned char>(c))) {
        ++pos;
        return EvalStatus::Ok;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        (c == '.' && std::isdigit(static_cast<unsigned char>(text[pos + 1])))) {
        EvalToken t{TokenKind::Number, {}, {}, 0};
        EvalStatus s = ReadNumber(text, pos, t.number);
        if (s != EvalStatus::Ok)
            return s;
        t.text = text.substr(start, pos - start);
        tokens.push_back(t);
        return EvalStatus::Ok;
    }
    if (IsNameStart(c)) {
        size_t end = pos;
        while (end < text.size() && IsNameChar(text[end]))
            ++end;
        tokens.push_back({TokenKind::Name, text.substr(pos, end - pos), {}});
        pos = end;
        return EvalStatus::Ok;
    }
    if (c == '(') {
        tokens.push_back({TokenKind::LeftParen, "(", {}});
        ++pos;
        return EvalStatus::Ok;
    }
    if (c == ')') {
        tokens.push_back({TokenKind::RightParen, ")", {}});
        ++pos;
        return EvalStatus::Ok;
    }
    if (c == ',') {
        tokens.push_back({TokenKind::Comma, ",", {}});
        ++pos;
        return EvalStatus::Ok;
    }
    if (c == ':') {
        tokens.push_back({TokenKind::Colon, ":", {}});
        ++pos;
        return EvalStatus::Ok;
    }
    for (const char *op : kTwoCharOperators) {
        if (text.compare(pos, 2, op) == 0) {
            tokens.push_back({TokenKind::Operator, op, {}});
            pos += 2;
            return EvalStatus::Ok;
        }
    }
    if (c != '\0' && std::strchr(kOneCharOperators, c)) {
        tokens.push_back({TokenKind::Operator, std::string(1, c), {}});
        ++pos;
        return EvalStatus::Ok;
    }
    return EvalStatus::UnknownCharacter;
}

}  // namespace

EvalStatus Tokenize(const std::string &text, std::vector<EvalToken> &tokens, size_t &errorAt)
{
    tokens.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t start = pos, count = tokens.size();
        errorAt = start;
        EvalStatus s = Next(text, pos, tokens);
        if (s != EvalStatus::Ok)
            return s;
        if (tokens.size() > count)
            tokens.back().offset = start;
    }
    return EvalStatus::Ok;
}

}  // namespace ky::gc
