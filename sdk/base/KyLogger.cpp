#include "ky/base/KyLogger.h"

#include "ky/base/KyLogDispatcher.h"

namespace {

// Higher is more severe; levels that are not known rank lowest, so they let everything pass.
int Severity(int32_t level)
{
    switch (level) {
    case KyLogLevelDebug:
        return 1;
    case KyLogLevelInfo:
        return 2;
    case KyLogLevelWarning:
        return 3;
    case KyLogLevelError:
        return 4;
    case KyLogLevelCritical:
        return 5;
    default:
        return 0;
    }
}

}  // namespace

KyLogger::KyLogger(const KyString &category) : mCategory(category), mPriority(KyLogLevelInfo) { }
KyLogger::~KyLogger() = default;

void KyLogger::SetLogPriority(int32_t priority) { mPriority.store(priority); }
int32_t KyLogger::GetLogPriority() const { return mPriority.load(); }

bool KyLogger::IsEnabled(KyLogLevelEnum level) const { return Severity(level) >= Severity(mPriority.load()); }

void KyLogger::Write(KyLogLevelEnum level, const char *file, int line, const char *function,
                     const char *message)
{
    if (!IsEnabled(level))
        return;
    KyLogDispatcher::Dispatch(level, mCategory.GetAscii(), line < 0 ? 0u : static_cast<uint32_t>(line), file,
                              function, message);
}

void KyLogger::LogInfo(const char *file, int line, const char *function, const char *message)
{
    Write(KyLogLevelInfo, file, line, function, message);
}
void KyLogger::LogError(const char *file, int line, const char *function, const char *message)
{
    Write(KyLogLevelError, file, line, function, message);
}
void KyLogger::LogWarning(const char *file, int line, const char *function, const char *message)
{
    Write(KyLogLevelWarning, file, line, function, message);
}
void KyLogger::LogCritical(const char *file, int line, const char *function, const char *message)
{
    Write(KyLogLevelCritical, file, line, function, message);
}
void KyLogger::LogDebug(const char *file, int line, const char *function, const char *message)
{
    Write(KyLogLevelDebug, file, line, function, message);
}
