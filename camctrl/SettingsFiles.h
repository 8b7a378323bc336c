// Settings files: what the XML and JSON settings files share. The record of a saved feature, how
// a file is named, how it is written so that a failed write leaves no partial file, and how its
// value texts are printed and parsed. (Which features a file saves is the Device's choice.)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ky/base/KyEnums.h"

class KyGenParameter;

namespace ky::camctrl {

// One saved feature: its name and type, in the order of the device's parameter array.
struct SettingsFeature
{
    KyGenParameter *parameter = nullptr;
    std::string name;
    KyGenType type = KyGenTypeInteger;
};

// True when the text after the last '.' of `path` is one of `extensions` exactly.
bool HasExtension(const char *path, const std::vector<std::string> &extensions);

// Writes `content` to a temporary file beside `path` and renames it over `path`; false (and no
// file left behind) when anything fails.
bool WriteWholeFile(const std::string &path, const std::string &content);

// Reads a whole file; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string &path);

// Strict number parsing of a whole text (no blanks, nothing left over, in range).
std::optional<int64_t> ParseInt64(const std::string &text, int base);
std::optional<double> ParseDouble(const std::string &text);

// The value texts of the files.
std::string DecimalText(int64_t value);
std::string FloatText(double value);

}  // namespace ky::camctrl
