#include "LogFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace ky::camctrl {

std::string SeparatorLine() { return std::string(50, '/'); }

std::string TimeStamp()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%06ld", local.tm_hour, local.tm_min, local.tm_sec,
                  (now.tv_nsec / 1000) % 1000000);
    return text;
}

std::string LogFileName(std::time_t when)
{
    tm local{};
    localtime_r(&when, &local);
    char text[64];
    if (std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", &local) == 0)
        text[0] = '\0';
    return std::string(text) + ".log";
}

std::string FolderNameOf(const std::string &deviceId)
{
    std::string name = deviceId;
    std::replace(name.begin(), name.end(), '/', '_');
    if (name == "." || name == "..")
        name.assign(name.size(), '_');
    return name;
}

namespace {

// One level: made when its status is "none" or "not found"; an existing folder is fine.
bool MakeLevel(const fs::path &path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::none || status.type() == fs::file_type::not_found) {
        fs::create_directory(path, error);
        return !error;
    }
    return !error && fs::is_directory(status);
}

struct LogFile
{
    fs::path path;
    fs::file_time_type written;
};

// Regular files below the folder (following links), or false when the walk fails.
bool ListFiles(const fs::path &folder, std::vector<LogFile> &files, uintmax_t &bytes)
{
    std::error_code error;
    fs::recursive_directory_iterator it(folder, error), end;
    if (error)
        return false;
    for (; it != end; it.increment(error)) {
        if (error)
            return false;
        std::error_code entryError;
        if (!it->is_regular_file(entryError) || entryError)
            continue;
        const uintmax_t size = it->file_size(entryError);
        const fs::file_time_type written = it->last_write_time(entryError);
        if (entryError)
            continue;
        bytes += size;
        files.push_back({it->path(), written});
    }
    return !error;
}

}  // namespace

bool MakeLogFolder(const std::string &home, const std::string &deviceId, fs::path &folder)
{
    fs::path path(home);
    for (const char *level : {"Brenik", "Logs"}) {
        path /= level;
        if (!MakeLevel(path))
            return false;
    }
    const std::string name = FolderNameOf(deviceId);
    if (!name.empty()) {
        path /= name;
        if (!MakeLevel(path))
            return false;
    }
    folder = path;
    return true;
}

bool CleanLogFolder(const fs::path &folder)
{
    std::vector<LogFile> files;
    uintmax_t bytes = 0;
    if (!ListFiles(folder, files, bytes))
        return false;
    if (files.size() <= MAX_LOG_FILES && bytes <= MAX_LOG_BYTES)
        return true;
    // Whole seconds decide; within a second the order is not fixed.
    const auto seconds = [](const LogFile &file) {
        return std::chrono::duration_cast<std::chrono::seconds>(file.written.time_since_epoch()).count();
    };
    const auto oldest = std::min_element(files.begin(), files.end(), [&](const LogFile &a, const LogFile &b) {
        return seconds(a) < seconds(b);
    });
    std::error_code error;
    return fs::remove(oldest->path, error) && !error;
}

bool AppendToFile(const fs::path &file, const std::string &text)
{
    std::ofstream out(file, std::ios::out | std::ios::app | std::ios::binary);
    if (!out)
        return false;
    out << text;
    out.close();
    return !out.fail();
}

void odprintf(const char *format, ...)
{
    char buffer[4096];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, 4095, format, args);  // at most 4094 characters
    va_end(args);
    size_t size = written < 0 ? 0 : std::min<size_t>(static_cast<size_t>(written), 4094);
    while (size > 0 && std::isspace(static_cast<unsigned char>(buffer[size - 1])))
        --size;
    std::string line(buffer, size);
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

}  // namespace ky::camctrl
