// Number and value texts used in messages and in ToString/FromString.
#pragma once

#include <cstdint>
#include <string>

namespace ky::gc {

// Shortest text that reads back as the same double.
std::string FormatDouble(double v);
// Bytes as lower-case hexadecimal, two digits each.
std::string FormatHex(const uint8_t *data, size_t length);
// Reads FormatHex's text; false for an odd length or a non-hex digit.
bool ParseHex(const std::string &text, std::string &bytes);

}  // namespace ky::gc
