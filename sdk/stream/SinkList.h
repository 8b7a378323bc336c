// SinkList: event sinks kept by address, each at most once. Not locked: the owner's mutex
// guards it.
#pragma once

#include <algorithm>
#include <vector>

#include "ky/base/KyResult.h"

namespace ky::stream {

template <typename Sink>
class SinkList
{
public:
    KyResult Add(Sink *sink)
    {
        if (sink == nullptr)
            return KyResult(KY_INVALID_PARAMETER, KyString("a null event sink cannot be registered"));
        if (std::find(mSinks.begin(), mSinks.end(), sink) != mSinks.end())
            return KyResult(KY_STATE_ERROR, KyString("the event sink is registered already"));
        mSinks.push_back(sink);
        return KyResult();
    }

    KyResult Remove(Sink *sink)
    {
        if (sink == nullptr)
            return KyResult(KY_INVALID_PARAMETER, KyString("a null event sink cannot be unregistered"));
        auto it = std::find(mSinks.begin(), mSinks.end(), sink);
        if (it == mSinks.end())
            return KyResult(KY_STATE_ERROR, KyString("the event sink is not registered"));
        mSinks.erase(it);
        return KyResult();
    }

    const std::vector<Sink *> &All() const { return mSinks; }

private:
    std::vector<Sink *> mSinks;
};

}  // namespace ky::stream
