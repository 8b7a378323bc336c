#include "SoftLog.h"

#include <cstdarg>
#include <cstdio>

#include "ky/base/KyLogCategories.h"

namespace {

void Write(KyLogger &log, KyLogLevelEnum level, const char *format, va_list args)
{
    if (!log.IsEnabled(level)) {
        return;
    }
    char text[1024];
    std::vsnprintf(text, sizeof(text), format, args);
    if (level == KyLogLevelDebug) {
        log.LogDebug("", 0, "SoftDevice", text);
    } else {
        log.LogWarning("", 0, "SoftDevice", text);
    }
}

}  // namespace

void SoftLog(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    Write(*KyLogCategories::Find("softdevice"), KyLogLevelWarning, format, args);
    va_end(args);
}

bool SoftTrafficLogEnabled() { return KyLogCategories::Find("control")->IsEnabled(KyLogLevelDebug); }

void SoftTrafficLog(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    Write(*KyLogCategories::Find("control"), KyLogLevelDebug, format, args);
    va_end(args);
}
