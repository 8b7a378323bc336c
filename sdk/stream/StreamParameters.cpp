#include "StreamParameters.h"

namespace ky::stream {
namespace {

// Each feature's value sits in one 8-byte big-endian register.
constexpr gc::FeatureSet::Registers kRegisters{0x1000, 8, true};

StreamFeature Feature(gc::FeatureKind kind, std::string name, std::string tooltip)
{
    return gc::HostFeature::Make(kind, std::move(name), "Root", std::move(tooltip));
}

}  // namespace

StreamFeature IntegerFeature(std::string name, std::string tooltip, std::function<int64_t()> get,
                             std::function<KyResult(int64_t)> set, int64_t max)
{
    StreamFeature f = Feature(gc::FeatureKind::Integer, std::move(name), std::move(tooltip));
    if (get)
        f.get = [get = std::move(get)](int64_t &v) {
            v = get();
            return KyResult();
        };
    if (set)
        f.spec.Range("0", std::to_string(max));
    f.set = std::move(set);
    return f;
}

StreamFeature FloatFeature(std::string name, std::string tooltip, std::function<double()> get)
{
    StreamFeature f = Feature(gc::FeatureKind::Float, std::move(name), std::move(tooltip));
    if (get)
        f.getFloat = [get = std::move(get)](double &v) {
            v = get();
            return KyResult();
        };
    return f;
}

StreamFeature CommandFeature(std::string name, std::string tooltip, std::function<KyResult(int64_t)> action)
{
    StreamFeature f = Feature(gc::FeatureKind::Command, std::move(name), std::move(tooltip));
    f.set = std::move(action);
    return f;
}

StreamParameters::StreamParameters()
    : mSet(gc::FeatureDocument::Host("Stream", "stream", "StreamPort"), kRegisters)
{ }

}  // namespace ky::stream
