#include "ky/base/KyLogDispatcher.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <string>
#include <vector>

namespace {

struct SinkRegistry {
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

// Locking or growing the list can throw; the SDK reports that as a result instead.
template <typename F>
KyResult Guarded(const char *where, F body)
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return KyResult(KY_NOT_ENOUGH_MEMORY, KyString(std::string("[") + where + "] out of memory"));
    } catch (...) {
        return KyResult(KY_THREAD_ERROR, KyString(std::string("[") + where + "] cannot lock the sink list"));
    }
}

}  // namespace

KyResult KyLogDispatcher::AddSink(KyLogSink *sink)
{
    if (sink == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("[KyLogDispatcher::AddSink] null sink"));
    if (tInsideSink)
        return KyResult(KY_STATE_ERROR, KyString("[KyLogDispatcher::AddSink] called from inside a sink"));
    return Guarded("KyLogDispatcher::AddSink", [sink] {
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
        return KyResult(KY_STATE_ERROR, KyString("[KyLogDispatcher::RemoveSink] called from inside a sink"));
    return Guarded("KyLogDispatcher::RemoveSink", [sink] {
        SinkRegistry &r = Registry();
        // The exclusive lock waits for every dispatch in progress, so the sink is free to go after.
        std::unique_lock<std::shared_mutex> lock(r.mutex);
        auto it = std::find(r.sinks.begin(), r.sinks.end(), sink);
        if (it == r.sinks.end())
            return KyResult(KY_NOT_FOUND, KyString("[KyLogDispatcher::RemoveSink] sink not registered"));
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
    try {
        SinkRegistry &r = Registry();
        std::shared_lock<std::shared_mutex> lock(r.mutex);
        InsideSinkScope inside;
        for (KyLogSink *sink : r.sinks) {
            try {
                sink->Log(level, OrEmpty(category), line, OrEmpty(file), OrEmpty(function), OrEmpty(message));
            } catch (...) {
                // A failing sink must not break the code that logged, nor the other sinks.
            }
        }
    } catch (...) {
        // The list could not be locked: the record is dropped, logging never throws.
    }
}
