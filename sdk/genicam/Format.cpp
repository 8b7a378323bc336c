#include "Format.h"

#include <charconv>
#include <cctype>

namespace ky::gc {

std::string FormatDouble(double v)
{
    char buffer[64];
    auto res = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, res.ptr);
}

std::string FormatHex(const uint8_t *data, size_t length)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(length * 2);
    for (size_t k = 0; k < length; ++k) {
        out += digits[data[k] >> 4];
        out += digits[data[k] & 15];
    }
    return out;
}

bool ParseHex(const std::string &text, std::string &bytes)
{
    if (text.size() % 2)
        return false;
    bytes.clear();
    for (size_t k = 0; k < text.size(); k += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(text[k])) ||
            !std::isxdigit(static_cast<unsigned char>(text[k + 1])))
            return false;
        bytes += static_cast<char>(std::stoi(text.substr(k, 2), nullptr, 16));
    }
    return true;
}

}  // namespace ky::gc
