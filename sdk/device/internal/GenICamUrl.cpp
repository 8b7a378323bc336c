#include "GenICamUrl.h"

#include <cerrno>
#include <cstdlib>
#include <strings.h>

namespace ky {
namespace device {

namespace {
bool ParseHex(const std::string &text, uint64_t &value)
{
    if (text.empty() || text.size() > 16)
        return false;
    char *end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 16);
    return errno == 0 && end && *end == '\0';
}
}  // namespace

bool ParseGenICamUrl(const std::string &text, GenICamUrl &url)
{
    const std::string withoutQuery = text.substr(0, text.find('?'));
    const std::string localPrefix = "Local:";
    if (withoutQuery.size() > localPrefix.size() &&
        ::strncasecmp(withoutQuery.c_str(), localPrefix.c_str(), localPrefix.size()) == 0) {
        const std::string rest = withoutQuery.substr(localPrefix.size());
        const size_t first = rest.find(';');
        const size_t second = first == std::string::npos ? first : rest.find(';', first + 1);
        if (first == 0 || second == std::string::npos)
            return false;
        url.local = true;
        url.fileName = rest.substr(0, first);
        return ParseHex(rest.substr(first + 1, second - first - 1), url.address) &&
               ParseHex(rest.substr(second + 1), url.length);
    }
    const size_t slash = withoutQuery.find_last_of("/\\:");
    url.local = false;
    url.fileName = slash == std::string::npos ? withoutQuery : withoutQuery.substr(slash + 1);
    return !url.fileName.empty();
}

}  // namespace device
}  // namespace ky
