#include "StreamParameters.h"

#include <cstring>
#include <sstream>

#include "ky/ByteOrder.h"
#include "ky/base/KyEnums.h"

namespace ky::stream {
namespace {

// Each feature's value sits in one 8-byte big-endian register.
constexpr uint64_t kBaseAddress = 0x1000;
constexpr uint32_t kRegisterSize = 8;

uint64_t AddressOf(size_t index) { return kBaseAddress + index * kRegisterSize; }

} // namespace

StreamFeature IntegerFeature(std::string name, std::string tooltip, std::function<int64_t()> get,
                             std::function<KyResult(int64_t)> set, int64_t max)
{
    StreamFeature f;
    f.name = std::move(name);
    f.kind = StreamFeature::Kind::Integer;
    f.tooltip = std::move(tooltip);
    f.getInteger = std::move(get);
    f.set = std::move(set);
    f.max = max;
    return f;
}

StreamFeature FloatFeature(std::string name, std::string tooltip, std::function<double()> get)
{
    StreamFeature f;
    f.name = std::move(name);
    f.kind = StreamFeature::Kind::Float;
    f.tooltip = std::move(tooltip);
    f.getFloat = std::move(get);
    return f;
}

StreamFeature CommandFeature(std::string name, std::string tooltip, std::function<KyResult(int64_t)> action)
{
    StreamFeature f;
    f.name = std::move(name);
    f.kind = StreamFeature::Kind::Command;
    f.tooltip = std::move(tooltip);
    f.set = std::move(action);
    return f;
}

std::string StreamParameters::Xml() const
{
    std::ostringstream x;
    x << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<RegisterDescription ModelName=\"Stream\" VendorName=\"Ky\" StandardNameSpace=\"None\""
         " SchemaMajorVersion=\"1\" SchemaMinorVersion=\"1\" SchemaSubMinorVersion=\"0\""
         " MajorVersion=\"1\" MinorVersion=\"0\" SubMinorVersion=\"0\" ToolTip=\"stream\""
         " ProductGuid=\"0\" VersionGuid=\"0\">\n"
         "<Category Name=\"Root\">\n";
    for (const StreamFeature &f : mFeatures)
        x << "  <pFeature>" << f.name << "</pFeature>\n";
    x << "</Category>\n";
    for (size_t i = 0; i < mFeatures.size(); ++i) {
        const StreamFeature &f = mFeatures[i];
        const std::string reg = f.name + "Reg";
        const bool writable = f.kind != StreamFeature::Kind::Float && f.set != nullptr;
        switch (f.kind) {
        case StreamFeature::Kind::Integer:
            x << "<Integer Name=\"" << f.name << "\"><ToolTip>" << f.tooltip << "</ToolTip><pValue>" << reg
              << "</pValue>";
            if (writable)
                x << "<Min>" << f.min << "</Min><Max>" << f.max << "</Max>";
            x << "</Integer>\n";
            break;
        case StreamFeature::Kind::Float:
            x << "<Float Name=\"" << f.name << "\"><ToolTip>" << f.tooltip << "</ToolTip><pValue>" << reg
              << "</pValue></Float>\n";
            break;
        case StreamFeature::Kind::Command:
            x << "<Command Name=\"" << f.name << "\"><ToolTip>" << f.tooltip << "</ToolTip><pValue>" << reg
              << "</pValue><CommandValue>1</CommandValue></Command>\n";
            break;
        }
        const char *tag = f.kind == StreamFeature::Kind::Float ? "FloatReg" : "IntReg";
        const char *access = f.kind == StreamFeature::Kind::Command ? "WO" : writable ? "RW" : "RO";
        x << "<" << tag << " Name=\"" << reg << "\"><Address>0x" << std::hex << AddressOf(i) << std::dec
          << "</Address><Length>" << kRegisterSize << "</Length><AccessMode>" << access
          << "</AccessMode><pPort>StreamPort</pPort><Cachable>NoCache</Cachable>";
        if (f.kind != StreamFeature::Kind::Float)
            x << "<Sign>Signed</Sign>";
        x << "<Endianess>BigEndian</Endianess></" << tag << ">\n";
    }
    x << "<Port Name=\"StreamPort\"/>\n</RegisterDescription>\n";
    return x.str();
}

KyResult StreamParameters::Build()
{
    return mArray.Load(KyString(Xml()), this);
}

const StreamFeature *StreamParameters::Find(uint64_t address, uint32_t length) const
{
    if (length != kRegisterSize || address < kBaseAddress || (address - kBaseAddress) % kRegisterSize != 0)
        return nullptr;
    const uint64_t index = (address - kBaseAddress) / kRegisterSize;
    return index < mFeatures.size() ? &mFeatures[index] : nullptr;
}

KyResult StreamParameters::ReadPort(uint64_t address, void *data, uint32_t length)
{
    const StreamFeature *f = Find(address, length);
    if (f == nullptr || data == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("no stream feature register at this address"));
    uint64_t raw = 0;
    if (f->kind == StreamFeature::Kind::Float) {
        const double value = f->getFloat ? f->getFloat() : 0.0;
        std::memcpy(&raw, &value, sizeof raw);
    } else if (f->kind == StreamFeature::Kind::Integer && f->getInteger) {
        raw = static_cast<uint64_t>(f->getInteger());
    }
    base::StoreBig64(static_cast<uint8_t *>(data), raw);
    return KyResult();
}

KyResult StreamParameters::WritePort(uint64_t address, const void *data, uint32_t length)
{
    const StreamFeature *f = Find(address, length);
    if (f == nullptr || data == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("no stream feature register at this address"));
    if (!f->set || f->kind == StreamFeature::Kind::Float)
        return KyResult(KY_STATE_ERROR, KyString("[" + f->name + "] is read-only"));
    return f->set(static_cast<int64_t>(base::LoadBig64(static_cast<const uint8_t *>(data))));
}

} // namespace ky::stream
