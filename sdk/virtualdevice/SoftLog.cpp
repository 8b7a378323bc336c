#include "SoftLog.h"

#include <cstdarg>
#include <cstdio>

#include "ky/base/KyLogCategories.h"

namespace ky::soft {

namespace {

KyLogger &ControlLog() { return *KyLogCategories::Find("control"); }

void Write(KyLogger &log, KyLogLevelEnum level, const char *where, const char *format, va_list args)
{
    if (!log.IsEnabled(level)) {
        return;
    }
    char text[1024];
    std::vsnprintf(text, sizeof(text), format, args);
    if (level == KyLogLevelDebug) {
        log.LogDebug(nullptr, 0, where, text);
    } else {
        log.LogWarning(nullptr, 0, where, text);
    }
}

}  // namespace

KyLogger &SoftDeviceLog() { return *KyLogCategories::Find("softdevice"); }

void SoftLog(const char *where, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    Write(SoftDeviceLog(), KyLogLevelWarning, where, format, args);
    va_end(args);
}

bool SoftTrafficLogEnabled() { return ControlLog().IsEnabled(KyLogLevelDebug); }

void SoftTrafficLog(const char *where, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    Write(ControlLog(), KyLogLevelDebug, where, format, args);
    va_end(args);
}

}  // namespace ky::soft
