// KyLogDispatcher: the process-wide list of log sinks and the delivery of records to them.
#pragma once

#include "ky/base/KyBaseExport.h"

#include <cstdint>

#include "ky/base/KyLogSink.h"
#include "ky/base/KyResult.h"

class KY_BASE_API KyLogDispatcher
{
public:
    /// Registers a sink; the caller keeps ownership and keeps the sink alive until RemoveSink returns.
    ///
    /// KY_INVALID_PARAMETER for null, KY_STATE_ERROR when it is already registered or when called from inside
    /// a sink's Log, KY_NOT_ENOUGH_MEMORY or KY_THREAD_ERROR when the list cannot grow or be locked.
    static KyResult AddSink(KyLogSink *sink);

    /// Unregisters a sink.
    ///
    /// When this returns, no thread is inside the sink's Log any more and none will enter it. KY_NOT_FOUND
    /// for a sink that is not registered, KY_STATE_ERROR when called from inside a sink's Log (it would wait
    /// for itself).
    static KyResult RemoveSink(KyLogSink *sink);

    static uint32_t GetSinkCount();

    /// Hands one record to every registered sink, in registration order.
    ///
    /// Thread-safe. A record logged from inside a sink's Log is dropped (it would recurse). A sink that
    /// throws is skipped for this record; the others still get it. While no sink is registered and KY_LOG is
    /// set in the environment, the record is written to standard error as one line, "[category level]
    /// function: message". Never throws.
    static void Dispatch(KyLogLevelEnum level, const char *category, uint32_t line, const char *file,
                         const char *function, const char *message);
};
