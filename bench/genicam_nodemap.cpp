// Node map figures: loading a large generated XML, cached and uncached feature reads,
// formula evaluation and range-checked writes, over an in-memory port.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ky/genicam/IKyGenPort.h"
#include "ky/genicam/KyGenParameterArray.h"

namespace {

class MemoryPort : public IKyGenPort
{
public:
    std::vector<uint8_t> memory = std::vector<uint8_t>(1 << 20, 0);
    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override
    {
        if (address + length > memory.size())
            return KyResult(KY_INVALID_PARAMETER);
        std::memcpy(data, memory.data() + address, length);
        return KyResult();
    }
    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override
    {
        if (address + length > memory.size())
            return KyResult(KY_INVALID_PARAMETER);
        std::memcpy(memory.data() + address, data, length);
        return KyResult();
    }
};

// count features, each an Integer over its own big-endian register, plus one formula.
std::string MakeXml(int count, bool cached)
{
    std::string xml = "<RegisterDescription>";
    for (int k = 0; k < count; ++k) {
        std::string n = std::to_string(k);
        xml +=
            "<Integer Name=\"F" + n + "\"><pValue>R" + n + "</pValue><Min>0</Min><Max>100000</Max></Integer>";
        xml += "<IntReg Name=\"R" + n + "\"><Address>" + std::to_string(4 * k) +
               "</Address><Length>4</Length><AccessMode>RW</AccessMode><pPort>Device</pPort>" +
               (cached ? "" : "<Cachable>NoCache</Cachable>") + "<Endianess>BigEndian</Endianess></IntReg>";
    }
    xml += "<IntSwissKnife Name=\"Formula\"><pVariable Name=\"A\">F0</pVariable><pVariable "
           "Name=\"B\">F1</pVariable>"
           "<Formula>(A * B + 7) % 1000 + (A &gt; B ? A : B)</Formula></IntSwissKnife>";
    xml += "<Port Name=\"Device\"/></RegisterDescription>";
    return xml;
}

template <typename F>
double Seconds(F f)
{
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char **argv)
{
    ky::tools::CommandLine line(
        "bench_genicam_nodemap",
        "Usage: bench_genicam_nodemap\n"
        "Node map figures over an in-memory port: load time, cached and uncached reads,\n"
        "range-checked writes, formula reads. Takes no options but -h, --help.\n");
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    const int features = 5000, calls = 200000;
    MemoryPort port;
    for (bool cached : {true, false}) {
        KyGenParameterArray params;
        KyString xml(MakeXml(features, cached));
        KyResult loaded;
        double load = Seconds([&] { loaded = params.Load(xml, &port); });
        if (loaded.IsFailure()) {
            std::fprintf(stderr, "bench_genicam_nodemap: load: %s\n", loaded.GetDescription().GetAscii());
            return 1;
        }
        std::printf("load %d features (%u bytes of XML): %.1f ms\n", 2 * features, xml.GetLength(),
                    load * 1e3);
        KyGenInteger *f = params.GetInteger("F17");
        int64_t v = 0;
        double read = Seconds([&] {
            // The figure is the call rate; the node map's tests check the values.
            for (int k = 0; k < calls; ++k)
                (void)f->GetValue(v);
        });
        std::printf("%s read: %.0f calls/s\n", cached ? "cached" : "uncached", calls / read);
        double write = Seconds([&] {
            for (int k = 0; k < calls; ++k)
                (void)f->SetValue(k % 100000);  // as above
        });
        std::printf("checked write: %.0f calls/s\n", calls / write);
        KyGenInteger *formula = params.GetInteger("Formula");
        double eval = Seconds([&] {
            for (int k = 0; k < calls; ++k)
                (void)formula->GetValue(v);  // as above
        });
        std::printf("formula read: %.0f calls/s\n", calls / eval);
    }
    return 0;
}
