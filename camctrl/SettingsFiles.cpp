// Settings files: file names, whole-file writes and strict number parsing.
#include "SettingsFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace ky::camctrl {

bool HasExtension(const char *path, const std::vector<std::string> &extensions)
{
    if (!path)
        return false;
    const char *dot = std::strrchr(path, '.');
    if (!dot)
        return false;
    for (const std::string &extension : extensions)
        if (extension == dot + 1)
            return true;
    return false;
}

bool IsSessionFeature(const std::string &name)
{
    static constexpr const char *SESSION_FEATURES[] = {"GevSCDA", "GevSCPHostPort", "GevMCDA",
                                                       "GevMCPHostPort", "GevCCP"};
    for (const char *feature : SESSION_FEATURES)
        if (name == feature)
            return true;
    return false;
}

bool WriteWholeFile(const std::string &requested, const std::string &content)
{
    // The file a link names gets the settings (the link stays); an existing target that is no
    // regular file (a folder, a device) is never replaced.
    std::error_code error;
    std::string path = requested;
    const std::filesystem::file_status status = std::filesystem::status(requested, error);
    if (std::filesystem::exists(status)) {
        if (!std::filesystem::is_regular_file(status))
            return false;
        path = std::filesystem::canonical(requested, error).string();
        if (error)
            return false;
    }
    // A name of its own beside the target (same file system, so the rename replaces at once);
    // created with the user's usual permissions.
    static std::atomic<unsigned> serial{0};
    int fd = -1;
    std::string temporary;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(serial++);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

SettingsRead ReadSettingsFile(const std::string &path, std::string &text)
{
    text.clear();
    // Opened without waiting: a FIFO without a writer would otherwise block the open for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return SettingsRead::CannotRead;
    struct FdCloser
    {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat status = {};
    if (::fstat(fd, &status) != 0)
        return SettingsRead::CannotRead;
    if (S_ISREG(status.st_mode)) {
        if (static_cast<uint64_t>(status.st_size) > SETTINGS_FILE_LIMIT)
            return SettingsRead::TooLarge;
    } else if (!S_ISFIFO(status.st_mode)) {
        return SettingsRead::CannotRead;
    }
    // Reads wait for data again (a FIFO's writer); a FIFO without one reads as its end at once.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return SettingsRead::CannotRead;
    // One byte past the limit tells a file that grew (or a pipe that goes on) from one that fits.
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return SettingsRead::CannotRead;
        if (n == 0)
            return SettingsRead::Read;
        if (text.size() + static_cast<size_t>(n) > SETTINGS_FILE_LIMIT) {
            text.clear();
            text.shrink_to_fit();
            return SettingsRead::TooLarge;
        }
        text.append(chunk, static_cast<size_t>(n));
    }
}

std::optional<int64_t> ParseInt64(const std::string &text, int base)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    errno = 0;
    char *end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, base);
    if (errno == ERANGE || end != text.c_str() + text.size())
        return std::nullopt;
    return static_cast<int64_t>(value);
}

std::optional<double> ParseDouble(const std::string &text)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    errno = 0;
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno == ERANGE || end != text.c_str() + text.size())
        return std::nullopt;
    return value;
}

std::string DecimalText(int64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64, value);
    return text;
}

std::string FloatText(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

}  // namespace ky::camctrl
