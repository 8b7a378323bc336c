// StreamParameters: a stream's features as a GenICam parameter array: a host-side feature set
// (features/FeatureSet.h) whose integers are 8-byte signed registers. Each feature is one entry
// of its table (name, kind, getter, setter), declared once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "features/FeatureSet.h"
#include "ky/base/KyResult.h"
#include "ky/genicam/KyGenParameterArray.h"

namespace ky::stream {

using StreamFeature = gc::HostFeature;

// A read-only counter or setting; with `set`, writable from 0 to `max`.
StreamFeature IntegerFeature(std::string name, std::string tooltip, std::function<int64_t()> get,
                             std::function<KyResult(int64_t)> set = nullptr, int64_t max = INT64_MAX);
StreamFeature FloatFeature(std::string name, std::string tooltip, std::function<double()> get);
StreamFeature CommandFeature(std::string name, std::string tooltip, std::function<KyResult(int64_t)> action);

class StreamParameters
{
public:
    StreamParameters();
    void Add(StreamFeature feature) { mSet.Add(std::move(feature)); }
    // Loads the array from the table; call again after adding features.
    KyResult Build() { return mSet.Load(mArray); }
    KyGenParameterArray &Array() { return mArray; }

private:
    gc::FeatureSet mSet;
    KyGenParameterArray mArray;  // after the set: it goes first, while the port is still there
};

}  // namespace ky::stream
