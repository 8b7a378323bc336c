#include "DeviceNodeMap.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "ky/device/KyDevice.h"

namespace ky::apputils {
namespace {

// A file name of this process's own for the device's GenICam file.
std::filesystem::path TemporaryPath()
{
    static std::atomic<unsigned> counter{0};
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error)
        folder = "/tmp";
    return folder / ("ky-genicam-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".xml");
}

}  // namespace

KyResult DeviceNodeMap::Load()
{
    const std::filesystem::path path = TemporaryPath();
    KyResult result = mDevice.DumpGenICamXML(KyString(path.string()));
    std::string xml;
    if (result.IsOK()) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        xml = text.str();
        if (!in && !in.eof())
            result = KyResult(KY_FILE_ERROR, KyString("cannot read the device's GenICam file back"));
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (result.IsFailure())
        return result;
    return mArray.Load(KyString(xml), this);
}

KyResult DeviceNodeMap::ReadPort(uint64_t address, void *data, uint32_t length)
{
    return mDevice.ReadMemory(static_cast<int64_t>(address), static_cast<uint8_t *>(data), length);
}

KyResult DeviceNodeMap::WritePort(uint64_t address, const void *data, uint32_t length)
{
    return mDevice.WriteMemory(static_cast<int64_t>(address), static_cast<const uint8_t *>(data), length);
}

}  // namespace ky::apputils
