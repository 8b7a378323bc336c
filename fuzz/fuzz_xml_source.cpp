// Where a device's GenICam XML comes from: the URL register and the file it names, read from
// device memory (a zip archive unpacked), and the zip reader on its own. The first byte picks
// the road; the rest is the device's memory (URL register first, 512 bytes) or the archive.
#include <cstring>

#include "ky/genicam/KyGenXmlSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t road = data[0];
    const uint8_t *memory = data + 1;
    const size_t memorySize = size - 1;
    if (road & 1) {
        std::string xml;
        (void)KyGenUnzipXml(memory, memorySize, xml);
        return 0;
    }
    // Memory beyond what the input holds reads as zeros, up to 16 MiB; further is refused.
    const KyGenReadFunction read = [memory, memorySize](uint64_t address, void *out, uint32_t length) {
        if (address > (16u << 20) || length > (16u << 20) - address)
            return KyResult(KY_INVALID_PARAMETER, KyString("outside the device's memory"));
        std::memset(out, 0, length);
        if (address < memorySize)
            std::memcpy(out, memory + address, std::min<size_t>(length, memorySize - address));
        return KyResult(KY_OK);
    };
    KyString xml;
    KyString url;
    (void)KyGenReadXmlFromDevice(read, 0, xml, &url, 4u << (road >> 1 & 7));
    KyGenXmlLocation location;
    (void)KyGenParseXmlUrl(url, location);
    return 0;
}
