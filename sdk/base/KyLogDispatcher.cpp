#include "KyLogDispatcher.h"

#include <algorithm>
#include <mutex>
#include <shared_mutex>
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

}  // namespace

KyResult KyLogDispatcher::AddSink(KyLogSink *sink)
{
    if (sink == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("[KyLogDispatcher::AddSink] null sink"));
    if (tInsideSink)
        return KyResult(KY_STATE_ERROR, KyString("[KyLogDispatcher::AddSink] called from inside a sink"));
    SinkRegistry &r = Registry();
    std::unique_lock<std::shared_mutex> lock(r.mutex);
    if (std::find(r.sinks.begin(), r.sinks.end(), sink) != r.sinks.end())
        return KyResult(KY_STATE_ERROR, KyString("[KyLogDispatcher::AddSink] sink already registered"));
    r.sinks.push_back(sink);
    return KyResult();
}

KyResult KyLogDispatcher::RemoveSink(KyLogSink *sink)
{
    if (tInsideSink)
        return KyResult(KY_STATE_ERROR, KyString("[KyLogDispatcher::RemoveSink] called from inside a sink"));
    SinkRegistry &r = Registry();
    // The exclusive lock waits for every dispatch in progress, so the sink is free to go after.
    std::unique_lock<std::shared_mutex> lock(r.mutex);
    auto it = std::find(r.sinks.begin(), r.sinks.end(), sink);
    if (it == r.sinks.end())
        return KyResult(KY_NOT_FOUND, KyString("[KyLogDispatcher::RemoveSink] sink not registered"));
    r.sinks.erase(it);
    return KyResult();
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
    SinkRegistry &r = Registry();
    std::shared_lock<std::shared_mutex> lock(r.mutex);
    tInsideSink = true;
    for (KyLogSink *sink : r.sinks) {
        try {
            sink->Log(level, OrEmpty(category), line, OrEmpty(file), OrEmpty(function), OrEmpty(message));
        } catch (...) {
            // A failing sink must not break the code that logged, nor the other sinks.
        }
    }
    tInsideSink = false;
}
