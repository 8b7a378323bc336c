#include "SoftLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void SoftLog(const char *format, ...)
{
    static const bool enabled = std::getenv("KY_SOFTDEVICE_LOG") != nullptr;
    if (!enabled) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}
