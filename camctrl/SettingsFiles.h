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

// Features that describe one connection's session rather than the camera's configuration: the
// destinations of the stream and message channels (this host's address and ports of that
// session) and the control channel's privilege. Exports save them as the camera reports them;
// imports never apply them, so a file from an earlier session leaves this session's channels
// (and its control of the camera) alone.
bool IsSessionFeature(const std::string &name);

// True when the text after the last '.' of `path` is one of `extensions` exactly.
bool HasExtension(const char *path, const std::vector<std::string> &extensions);

// Writes `content` to a temporary file beside `path` and renames it over `path`; false (and no
// file left behind) when anything fails.
bool WriteWholeFile(const std::string &path, const std::string &content);

// The largest settings file an import reads: far above any camera's settings.
inline constexpr uint64_t SETTINGS_FILE_LIMIT = 16u * 1024u * 1024u;

enum class SettingsRead {
    Read,
    CannotRead,  // missing, unreadable, or no file a settings file can be (device, socket, folder)
    TooLarge,    // more than SETTINGS_FILE_LIMIT bytes
};

// Reads a settings file whole, never more than SETTINGS_FILE_LIMIT bytes: a regular file larger
// than that is refused before anything is read; a pipe (FIFO) is read up to the limit (without
// a writer it reads as empty at once); devices, sockets and folders are refused unread (a
// device such as /dev/zero never ends, a terminal may block for ever).
SettingsRead ReadSettingsFile(const std::string &path, std::string &text);

// Strict number parsing of a whole text (no blanks, nothing left over, in range).
std::optional<int64_t> ParseInt64(const std::string &text, int base);
std::optional<double> ParseDouble(const std::string &text);

// The value texts of the files.
std::string DecimalText(int64_t value);
std::string FloatText(double value);

}  // namespace ky::camctrl
