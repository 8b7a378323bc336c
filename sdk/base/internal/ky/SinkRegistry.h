// SinkRegistry: the user sinks registered on an SDK object, and the one way the SDK calls them.
//
// The SDK's rule for calling user sinks, written once here:
// - Sinks are called on a snapshot of the list taken under the lock, and the lock is not held
//   during the calls: a sink may register or unregister sinks (itself too), and another thread
//   may unregister a sink while it waits for a lock of its own that the sink is waiting for.
// - A sink unregistered during a walk is skipped if its turn has not come yet. A call that had
//   already started on another thread may still be running when Unregister returns.
// - A sink may destroy the registry's owner (free a device from its callback). The list's state
//   outlives the registry for the walk under way, which then stops; ForEach returns false and its
//   caller must return at once without touching the owner.
//
// Threading: every member may be called from any thread.
#pragma once

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace ky {
namespace base {

template <class Sink>
class SinkRegistry
{
public:
    enum class Change { Done, Null, Repeat, Missing };

    SinkRegistry() : mState(std::make_shared<State>()) { }
    ~SinkRegistry()
    {
        std::lock_guard<std::mutex> lock(mState->mutex);
        mState->alive = false;
        mState->sinks.clear();
    }
    SinkRegistry(const SinkRegistry &) = delete;
    SinkRegistry &operator=(const SinkRegistry &) = delete;

    Change Add(Sink *sink)
    {
        if (sink == nullptr)
            return Change::Null;
        std::lock_guard<std::mutex> lock(mState->mutex);
        auto &sinks = mState->sinks;
        if (std::find(sinks.begin(), sinks.end(), sink) != sinks.end())
            return Change::Repeat;
        sinks.push_back(sink);
        return Change::Done;
    }

    Change Remove(Sink *sink)
    {
        if (sink == nullptr)
            return Change::Null;
        std::lock_guard<std::mutex> lock(mState->mutex);
        auto &sinks = mState->sinks;
        auto found = std::find(sinks.begin(), sinks.end(), sink);
        if (found == sinks.end())
            return Change::Missing;
        sinks.erase(found);
        return Change::Done;
    }

    bool Empty() const
    {
        std::lock_guard<std::mutex> lock(mState->mutex);
        return mState->sinks.empty();
    }

    std::vector<Sink *> Snapshot() const
    {
        std::lock_guard<std::mutex> lock(mState->mutex);
        return mState->sinks;
    }

    // Calls call(Sink &) for each sink of the snapshot that is still registered when its turn
    // comes, in registration order, without the lock. False when a call destroyed the registry.
    template <class Call>
    bool ForEach(Call &&call) const
    {
        const std::shared_ptr<State> state = mState;  // from here on, nothing of *this is touched
        std::vector<Sink *> snapshot;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            snapshot = state->sinks;
        }
        for (Sink *sink : snapshot) {
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                if (!state->alive)
                    return false;
                if (std::find(state->sinks.begin(), state->sinks.end(), sink) == state->sinks.end())
                    continue;
            }
            call(*sink);
        }
        std::lock_guard<std::mutex> lock(state->mutex);
        return state->alive;
    }

private:
    struct State
    {
        std::mutex mutex;
        std::vector<Sink *> sinks;
        bool alive = true;
    };
    std::shared_ptr<State> mState;
};

}  // namespace base
}  // namespace ky
