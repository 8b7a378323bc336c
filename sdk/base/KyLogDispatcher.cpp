#include "ky/base/KyLogDispatcher.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <string>
#include <vector>

#include "ky/Guarded.h"

namespace {

struct SinkRegistry
{
    std::shared_mutex mutex;
    std::vector<KyLogSink *> sinks;
};

SinkRegistry &Registry()
{
    // Never destroyed: records may still be logged while static objects are torn down.
    static SinkRegistry *registry = new SinkRegistry;
    return *registry;
}

// Set while this thread is inside a sink's Log.
thread_local bool tInsideSink = false;

const char *OrEmpty(const char *text) { return text ? text : ""; }

// Marks this thread as inside a sink for the length of a dispatch.
class InsideSinkScope
{
public:
    InsideSinkScope() { tInsideSink = true; }
    ~InsideSinkScope() { tInsideSink = false; }
    InsideSinkScope(const InsideSinkScope &) = delete;
    InsideSinkScope &operator=(const InsideSinkScope &) = delete;
};

// Whether records go to standard error while no sink is registered: so they do while KY_LOG is
// set, so that raising a category (KyLogCategories) shows its records in any program.
bool ToStandardError()
{
    static const bool enabled = std::getenv("KY_LOG") != nullptr;
    return enabled;
}

const char *LevelName(KyLogLevelEnum level)
{
    switch (level) {
    case KyLogLevelDebug:
        return "debug";
    case KyLogLevelInfo:
        return "info";
    case KyLogLevelWarning:
        return "warning";
    case KyLogLevelError:
        return "error";
    case KyLogLevelCritical:
        return "critical";
    default:
        return "log";
    }
}

// One line per record, written at once: "[stream debug] Process: GVSP ...".
void WriteToStandardError(KyLogLevelEnum level, const char *category, const char *function,
                          const char *message)
{
    if (*function != '\0')
        std::fprintf(stderr, "[%s %s] %s: %s\n", category, LevelName(level), function, message);
    else
        std::fprintf(stderr, "[%s %s] %s\n", category, LevelName(level), message);
}

}  // namespace

KyResult KyLogDispatcher::AddSink(KyLogSink *sink)
{
    if (sink == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("[KyLogDispatcher::AddSink] null sink"));
    if (tInsideSink)
        return KyResult(KY_STATE_ERROR, KyString("a sink cannot be added from inside a sink's Log"));
    // Locking or growing the list can throw; that comes back as a result, and is not logged: the
    // log is what failed.
    return ky::base::Guarded(nullptr, "adding a log sink", [sink] {
        SinkRegistry &r = Registry();
        std::unique_lock<std::shared_mutex> lock(r.mutex);
        if (std::find(r.sinks.begin(), r.sinks.end(), sink) != r.sinks.end())
            return KyResult(KY_STATE_ERROR, KyString("[KyLogDispatcher::AddSink] sink already registered"));
        r.sinks.push_back(sink);
        return KyResult();
    });
}

KyResult KyLogDispatcher::RemoveSink(KyLogSink *sink)
{
    if (tInsideSink)
        return KyResult(KY_STATE_ERROR, KyString("a sink cannot be removed from inside a sink's Log"));
    return ky::base::Guarded(nullptr, "removing a log sink", [sink] {
        SinkRegistry &r = Registry();
        // The exclusive lock waits for every dispatch in progress, so the sink is free to go after.
        std::unique_lock<std::shared_mutex> lock(r.mutex);
        auto it = std::find(r.sinks.begin(), r.sinks.end(), sink);
        if (it == r.sinks.end())
            return KyResult(KY_NOT_FOUND, KyString("the sink is not registered"));
        r.sinks.erase(it);
        return KyResult();
    });
}

uint32_t KyLogDispatcher::GetSinkCount()
{
    SinkRegistry &r = Registry();
    std::shared_lock<std::shared_mutex> lock(r.mutex);
    return static_cast<uint32_t>(r.sinks.size());
}

void KyLogDispatcher::Dispatch(KyLogLevelEnum level, const char *category, uint32_t line, const char *file,
                               const char *function, const char *message)
{
    if (tInsideSink)
        return;
    // A list that cannot be locked drops the record: logging never throws.
    ky::base::Guarded(nullptr, "dispatching a log record", [&] {
        SinkRegistry &r = Registry();
        std::shared_lock<std::shared_mutex> lock(r.mutex);
        if (r.sinks.empty()) {
            if (ToStandardError())
                WriteToStandardError(level, OrEmpty(category), OrEmpty(function), OrEmpty(message));
            return;
        }
        InsideSinkScope inside;
        for (KyLogSink *sink : r.sinks) {
            // A failing sink must not break the code that logged, nor the other sinks.
            ky::base::Guarded(nullptr, "KyLogSink::Log", [&] {
                sink->Log(level, OrEmpty(category), line, OrEmpty(file), OrEmpty(function), OrEmpty(message));
            });
        }
    });
}
