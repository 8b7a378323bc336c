// GenICam XML as a device may serve it: loaded into a node map over a register memory that
// the input fills too, then every feature is read, its limits and entries asked for, and a
// value written back, as a user's program walking the features would.
#include <algorithm>
#include <cstring>
#include <vector>

#include "FuzzInput.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/genicam/KyGenParameterList.h"

namespace {

// Device memory: 4 KiB at address 0, refused elsewhere (as a device answers a bad address).
class MemoryPort : public IKyGenPort
{
public:
    explicit MemoryPort(const uint8_t *init, size_t size) : mMemory(4096, 0)
    {
        std::memcpy(mMemory.data(), init, std::min(size, mMemory.size()));
    }
    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override
    {
        if (address > mMemory.size() || length > mMemory.size() - address)
            return KyResult(KY_INVALID_PARAMETER, KyString("outside memory"));
        std::memcpy(data, mMemory.data() + address, length);
        return KyResult();
    }
    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override
    {
        if (address > mMemory.size() || length > mMemory.size() - address)
            return KyResult(KY_INVALID_PARAMETER, KyString("outside memory"));
        std::memcpy(mMemory.data() + address, data, length);
        return KyResult();
    }

private:
    std::vector<uint8_t> mMemory;
};

void Exercise(KyGenParameter &p)
{
    bool flag = false;
    KyString text;
    (void)p.IsAvailable(flag);
    (void)p.IsReadable(flag);
    (void)p.IsWritable(flag);
    (void)p.IsSelector(flag);
    KyGenParameterList list;
    (void)p.GetSelectedParameters(list);
    (void)p.GetSelectingParameters(list);
    const bool read = p.ToString(text).IsOK();
    if (auto *integer = dynamic_cast<KyGenInteger *>(&p)) {
        int64_t v = 0;
        (void)integer->GetMin(v);
        (void)integer->GetMax(v);
        (void)integer->GetIncrement(v);
        if (integer->GetValue(v).IsOK())
            (void)integer->SetValue(v);
    } else if (auto *number = dynamic_cast<KyGenFloat *>(&p)) {
        double v = 0;
        (void)number->GetMin(v);
        (void)number->GetMax(v);
        if (number->GetValue(v).IsOK())
            (void)number->SetValue(v);
    } else if (auto *enumeration = dynamic_cast<KyGenEnum *>(&p)) {
        int64_t count = 0;
        (void)enumeration->GetEntriesCount(count);
        for (int64_t i = 0; i < std::min<int64_t>(count, 64); ++i) {
            const KyGenEnumEntry *entry = nullptr;
            (void)enumeration->GetEntryByIndex(i, &entry);
        }
        int64_t v = 0;
        if (enumeration->GetValue(v).IsOK())
            (void)enumeration->SetValue(v);
    } else if (auto *command = dynamic_cast<KyGenCommand *>(&p)) {
        (void)command->Execute();
        (void)command->IsDone(flag);
    } else if (auto *reg = dynamic_cast<KyGenRegister *>(&p)) {
        int64_t length = 0;
        if (reg->GetLength(length).IsOK() && length > 0 && length <= 4096) {
            std::vector<uint8_t> bytes(static_cast<size_t>(length));
            if (reg->Get(bytes.data(), length).IsOK())
                (void)reg->Set(bytes.data(), length);
        }
    }
    if (read)
        (void)p.FromString(text);
    (void)p.FromString(KyString("1"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first 64 bytes (fewer when short) seed the register memory; the rest is the XML.
    FuzzInput in(data, size);
    size_t memorySize = 64;
    const uint8_t *memory = in.Take(memorySize);
    MemoryPort port(memory, memorySize);
    KyGenParameterArray params;
    if (params.Load(KyString(in.Rest()), &port).IsFailure())
        return 0;
    const uint32_t count = std::min<uint32_t>(params.GetCount(), 256);
    for (uint32_t k = 0; k < count; ++k) {
        if (KyGenParameter *p = params.Get(k))
            Exercise(*p);
    }
    for (uint32_t k = 0; k < params.GetCategoryCount(); ++k)
        (void)params.GetCategory(k);
    (void)params.InvalidateCache();
    return 0;
}
