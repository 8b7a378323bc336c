#include "SoftLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace ky::soft {

bool SoftLogEnabled()
{
    static const bool enabled = std::getenv("KY_SOFTDEVICE_LOG") != nullptr;
    return enabled;
}

void SoftLog(const char *format, ...)
{
    if (!SoftLogEnabled()) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

}  // namespace ky::soft
