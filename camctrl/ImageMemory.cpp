#include "ImageMemory.h"

#include <mutex>
#include <unordered_map>

#include "ky/camctrl/bnkCamCtrl.h"

namespace ky::camctrl {

namespace {

struct Allocation
{
    uint32_t capacity = 0;
    uint32_t imageSize = 0;  // what the library last wrote into a record of this memory
};

std::mutex g_mutex;
std::unordered_map<const void *, Allocation> &Allocations()
{
    static auto *allocations = new std::unordered_map<const void *, Allocation>();  // outlives every caller
    return *allocations;
}

}  // namespace

void RememberImageMemory(const void *data, uint32_t capacity)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Allocations()[data] = {capacity, capacity};
}

uint32_t ImageCapacity(const _bnkBuffer &record)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const auto it = Allocations().find(record.data);
    if (it == Allocations().end() || it->second.imageSize != record.imageSize)
        return record.imageSize;
    return it->second.capacity;
}

void NoteImageSize(const void *data, uint32_t previous, uint32_t now)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    const auto it = Allocations().find(data);
    if (it != Allocations().end() && it->second.imageSize == previous && now <= it->second.capacity)
        it->second.imageSize = now;
}

void ForgetImageMemory(const void *data)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Allocations().erase(data);
}

}  // namespace ky::camctrl
