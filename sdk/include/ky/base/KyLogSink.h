// KyLogSink: receives the SDK's log records. Implement Log and register the sink with
// KyLogDispatcher::AddSink to see what every KyLogger of the process writes.
#pragma once

#include "ky/base/KyBaseExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"

class KY_BASE_API KyLogSink
{
public:
    KyLogSink() = default;
    virtual ~KyLogSink() = default;

    /// Receives one log record.
    ///
    /// Called on whatever thread logged, possibly on several threads at once, so an
    /// implementation must be thread-safe. Texts are UTF-8 and valid only during the call; any of
    /// them may be empty but none is null. An exception thrown here is caught and dropped by the
    /// dispatcher; it never reaches the code that logged.
    ///
    /// @param[in] level severity of the record
    /// @param[in] category name of the KyLogger that wrote it
    /// @param[in] line source line, 0 when not known
    /// @param[in] file source file
    /// @param[in] function function that logged
    /// @param[in] message the text
    virtual void Log(KyLogLevelEnum level, const char *category, uint32_t line, const char *file,
                     const char *function, const char *message) = 0;
};
