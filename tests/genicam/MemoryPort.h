// A device port over a block of memory, counting what the node map asks of it.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ky/genicam/IKyGenPort.h"
#include "ky/ByteOrder.h"

class MemoryPort : public IKyGenPort
{
public:
    explicit MemoryPort(size_t size = 0x1000) : memory(size, 0) { }

    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override
    {
        ++reads;
        if (failWith != KY_OK)
            return KyResult(failWith, KyString("port failure"));
        if (address > memory.size() || length > memory.size() - address)
            return KyResult(KY_INVALID_PARAMETER, KyString("outside memory"));
        std::memcpy(data, memory.data() + address, length);
        return KyResult();
    }

    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override
    {
        ++writes;
        if (failWith != KY_OK)
            return KyResult(failWith, KyString("port failure"));
        if (address > memory.size() || length > memory.size() - address)
            return KyResult(KY_INVALID_PARAMETER, KyString("outside memory"));
        std::memcpy(memory.data() + address, data, length);
        return KyResult();
    }

    void Put32(uint64_t address, uint32_t v) { ky::base::StoreBig32(memory.data() + address, v); }
    uint32_t Get32(uint64_t address) const { return ky::base::LoadBig32(memory.data() + address); }

    std::vector<uint8_t> memory;
    int reads = 0;
    int writes = 0;
    uint32_t failWith = KY_OK;
};

inline std::string ReadTestFile(const std::string &name)
{
    std::ifstream in(std::string(KY_GENICAM_TEST_DATA) + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
