// KyLogger: writes log records under a category name to the sinks of KyLogDispatcher.
#pragma once

#include "ky/base/KyBaseExport.h"

#include <atomic>
#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyString.h"

class KY_BASE_API KyLogger
{
public:
    /// A logger whose records carry the given category name.
    ///
    /// @param[in] category name written with each record
    explicit KyLogger(const KyString &category);
    ~KyLogger();

    KyLogger(const KyLogger &) = delete;
    KyLogger &operator=(const KyLogger &) = delete;

    /// Writes an information record when KyLogLevelInfo passes the priority.
    ///
    /// @param[in] file source file (null: empty)
    /// @param[in] line source line (negative: 0)
    /// @param[in] function function that logs (null: empty)
    /// @param[in] message the text (null: empty)
    void LogInfo(const char *file, int line, const char *function, const char *message);
    /// Writes an error record when KyLogLevelError passes the priority.
    ///
    /// @param[in] file source file (null: empty)
    /// @param[in] line source line (negative: 0)
    /// @param[in] function function that logs (null: empty)
    /// @param[in] message the text (null: empty)
    void LogError(const char *file, int line, const char *function, const char *message);
    /// Writes a warning record when KyLogLevelWarning passes the priority.
    ///
    /// @param[in] file source file (null: empty)
    /// @param[in] line source line (negative: 0)
    /// @param[in] function function that logs (null: empty)
    /// @param[in] message the text (null: empty)
    void LogWarning(const char *file, int line, const char *function, const char *message);
    /// Writes a critical record when KyLogLevelCritical passes the priority.
    ///
    /// @param[in] file source file (null: empty)
    /// @param[in] line source line (negative: 0)
    /// @param[in] function function that logs (null: empty)
    /// @param[in] message the text (null: empty)
    void LogCritical(const char *file, int line, const char *function, const char *message);
    /// Writes a debug record when KyLogLevelDebug passes the priority.
    ///
    /// @param[in] file source file (null: empty)
    /// @param[in] line source line (negative: 0)
    /// @param[in] function function that logs (null: empty)
    /// @param[in] message the text (null: empty)
    void LogDebug(const char *file, int line, const char *function, const char *message);

    /// Sets the least severe level that is still written.
    ///
    /// Severity rises Debug, Info, Warning, Error, Critical. KyLogLevelUnknown, or any value that
    /// is not a level, writes everything. The default is KyLogLevelInfo.
    ///
    /// @param[in] priority a KyLogLevelEnum value
    void SetLogPriority(int32_t priority);
    /// The priority as set.
    ///
    /// @return a KyLogLevelEnum value
    int32_t GetLogPriority() const;

    /// Whether a record of this level passes the priority.
    bool IsEnabled(KyLogLevelEnum level) const;

private:
    void Write(KyLogLevelEnum level, const char *file, int line, const char *function, const char *message);

    KyString mCategory;
    std::atomic<int32_t> mPriority;
};
