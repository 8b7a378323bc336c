// StreamParameters: a stream's features as a GenICam parameter array. Each feature is one
// entry of a table (name, kind, getter, setter); the table makes both the XML that the array
// loads and the register port behind it, so a feature is declared once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ky/genicam/IKyGenPort.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/base/KyResult.h"

namespace ky::stream {

struct StreamFeature
{
    enum class Kind { Integer, Float, Command };
    std::string name;
    Kind kind = Kind::Integer;
    std::string tooltip;
    std::function<int64_t()> getInteger;     // Integer
    std::function<double()> getFloat;        // Float
    // Integer: a writable feature with its range; Command: what executing it does.
    std::function<KyResult(int64_t)> set;
    int64_t min = 0;
    int64_t max = INT64_MAX;
};

StreamFeature IntegerFeature(std::string name, std::string tooltip, std::function<int64_t()> get,
                             std::function<KyResult(int64_t)> set = nullptr, int64_t max = INT64_MAX);
StreamFeature FloatFeature(std::string name, std::string tooltip, std::function<double()> get);
StreamFeature CommandFeature(std::string name, std::string tooltip, std::function<KyResult(int64_t)> action);

class StreamParameters : private IKyGenPort
{
public:
    void Add(StreamFeature feature) { mFeatures.push_back(std::move(feature)); }
    // Loads the array from the table; call again after adding features.
    KyResult Build();
    KyGenParameterArray &Array() { return mArray; }

private:
    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override;
    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override;
    const StreamFeature *Find(uint64_t address, uint32_t length) const;
    std::string Xml() const;

    std::vector<StreamFeature> mFeatures;
    KyGenParameterArray mArray;
};

} // namespace ky::stream
