// The file side of camera log files: folders under $HOME, file names, time stamps, the clean-up
// of old files, appending, and the library's console print.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>

namespace ky::camctrl {

// A folder holding more files than this, or more bytes, loses its oldest file before a new one.
inline constexpr size_t MAX_LOG_FILES = 499;
inline constexpr uintmax_t MAX_LOG_BYTES = 0x4FFFFF;

// Fifty '/' characters.
std::string SeparatorLine();

// The local time of now as "HH:MM:SS.uuuuuu"; safe from several threads at once.
std::string TimeStamp();

// "%Y%m%d_%H%M%S.log" of a local time.
std::string LogFileName(std::time_t when);

// A device ID as one folder name: it comes from the network, so '/' (and a whole name of "." or
// "..") cannot climb out of the log folder.
std::string FolderNameOf(const std::string &deviceId);

// $HOME/Brenik/Logs/<device ID folder>, each missing level created in turn ($HOME must exist;
// an empty device ID is the "Logs" folder itself). False when a level cannot be made.
bool MakeLogFolder(const std::string &home, const std::string &deviceId, std::filesystem::path &folder);

// Counts the regular files below the folder (links to regular files count) and their bytes; when
// more than MAX_LOG_FILES or MAX_LOG_BYTES, removes the one with the oldest write time. False
// when the folder cannot be walked or the file cannot be removed.
bool CleanLogFolder(const std::filesystem::path &folder);

// Opens the file for appending (made when missing), writes the text, closes it. False when the
// file cannot be opened or written.
bool AppendToFile(const std::filesystem::path &file, const std::string &text);

// printf-style line to standard output: at most 4094 characters, trailing white space removed,
// ended by "\r\n".
void odprintf(const char *format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace ky::camctrl
