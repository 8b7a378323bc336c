// KyLogger: writes log records under a category name to the sinks of KyLogDispatcher.
#pragma once

#include <atomic>
#include <cstdint>

#include "KyEnums.h"
#include "KyString.h"

class KyLogger
{
public:
    explicit KyLogger(const KyString &category);
    ~KyLogger();

    KyLogger(const KyLogger &) = delete;
    KyLogger &operator=(const KyLogger &) = delete;

    // Each writes one record (file, source line, function, message) at its level when the
    // level passes the priority. Null texts are written as empty texts; a negative line as 0.
    void LogInfo(const char *file, int line, const char *function, const char *message);
    void LogError(const char *file, int line, const char *function, const char *message);
    void LogWarning(const char *file, int line, const char *function, const char *message);
    void LogCritical(const char *file, int line, const char *function, const char *message);
    void LogDebug(const char *file, int line, const char *function, const char *message);

    // The least severe level that is still written, as a KyLogLevelEnum value. Severity
    // rises Debug, Info, Warning, Error, Critical. KyLogLevelUnknown, or any value that is not
    // a level, writes everything. The default is KyLogLevelInfo.
    void SetLogPriority(int32_t priority);
    int32_t GetLogPriority() const;

    // Whether a record of this level passes the priority.
    bool IsEnabled(KyLogLevelEnum level) const;

private:
    void Write(KyLogLevelEnum level, const char *file, int line, const char *function, const char *message);

    KyString mCategory;
    std::atomic<int32_t> mPriority;
};
