#include "StreamParameters.h"

namespace ky::stream {
namespace {

gc::FeatureDocument Document()
{
    gc::FeatureDocument document;
    document.modelName = "Stream";
    document.vendorName = "Ky";
    document.toolTip = "stream";
    document.style.port = "StreamPort";
    document.style.madeDisplayNames = false;
    document.customPort = true;
    return document;
}

// Each feature's value sits in one 8-byte big-endian register.
constexpr gc::FeatureSet::Registers kRegisters {0x1000, 8, true};

StreamFeature Feature(gc::FeatureKind kind, std::string name, std::string tooltip)
{
    StreamFeature f;
    f.spec = gc::FeatureSpec::Make(kind, std::move(name)).In("Root").Tip(std::move(tooltip));
    f.spec.custom = true;
    return f;
}

} // namespace

StreamFeature IntegerFeature(std::string name, std::string tooltip, std::function<int64_t()> get,
                             std::function<KyResult(int64_t)> set, int64_t max)
{
    StreamFeature f = Feature(gc::FeatureKind::Integer, std::move(name), std::move(tooltip));
    if (get)
        f.get = [get = std::move(get)](int64_t &v) { v = get(); return KyResult(); };
    if (set)
        f.spec.Range("0", std::to_string(max));
    f.set = std::move(set);
    return f;
}

StreamFeature FloatFeature(std::string name, std::string tooltip, std::function<double()> get)
{
    StreamFeature f = Feature(gc::FeatureKind::Float, std::move(name), std::move(tooltip));
    if (get)
        f.getFloat = [get = std::move(get)](double &v) { v = get(); return KyResult(); };
    return f;
}

StreamFeature CommandFeature(std::string name, std::string tooltip, std::function<KyResult(int64_t)> action)
{
    StreamFeature f = Feature(gc::FeatureKind::Command, std::move(name), std::move(tooltip));
    f.set = std::move(action);
    return f;
}

StreamParameters::StreamParameters() : mSet(Document(), kRegisters) {}

} // namespace ky::stream
