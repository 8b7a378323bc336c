#include "ky/SimUsbDeviceTable.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace ky {
namespace base {

SimUsbDeviceTable &SimUsbDeviceTable::Instance()
{
    // Never destroyed: devices may still be unplugged by other objects' destructors at exit.
    static SimUsbDeviceTable *table = new SimUsbDeviceTable();
    return *table;
}

bool SimUsbDeviceTable::NormalizeGuid(const std::string &guid, std::string &normalized)
{
    if (guid.size() != 12) {
        return false;
    }
    std::string upper;
    upper.reserve(guid.size());
    for (char c : guid) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    normalized = std::move(upper);
    return true;
}

KyResult SimUsbDeviceTable::Plug(SimUsbDeviceEntry entry)
{
    std::string guid;
    if (!NormalizeGuid(entry.guid, guid)) {
        return KyResult(KY_INVALID_PARAMETER, "a USB device GUID is 12 hex digits");
    }
    if (!entry.link) {
        return KyResult(KY_INVALID_PARAMETER, "a USB device needs a link");
    }
    entry.guid = guid;
    std::lock_guard<std::mutex> lock(mMutex);
    for (const auto &device : mDevices) {
        if (device.guid == guid) {
            return KyResult(KY_STATE_ERROR, "a USB device with this GUID is already plugged");
        }
    }
    mDevices.push_back(std::move(entry));
    return KyResult(KY_OK);
}

KyResult SimUsbDeviceTable::Remove(const std::string &guid, SimUsbDeviceEntry &removed)
{
    std::string key;
    if (!NormalizeGuid(guid, key)) {
        return KyResult(KY_NOT_FOUND, "no USB device with this GUID");
    }
    std::lock_guard<std::mutex> lock(mMutex);
    auto it = std::find_if(mDevices.begin(), mDevices.end(),
                           [&key](const SimUsbDeviceEntry &device) { return device.guid == key; });
    if (it == mDevices.end()) {
        return KyResult(KY_NOT_FOUND, "no USB device with this GUID");
    }
    removed = std::move(*it);
    mDevices.erase(it);
    return KyResult(KY_OK);
}

bool SimUsbDeviceTable::Find(const std::string &guid, SimUsbDeviceEntry &entry) const
{
    std::string key;
    if (!NormalizeGuid(guid, key)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(mMutex);
    for (const auto &device : mDevices) {
        if (device.guid == key) {
            entry = device;
            return true;
        }
    }
    return false;
}

std::vector<SimUsbDeviceEntry> SimUsbDeviceTable::List() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mDevices;
}

size_t SimUsbDeviceTable::Count() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mDevices.size();
}

void SimUsbDeviceTable::SetDeclarationLoader(std::function<void()> loader)
{
    std::lock_guard<std::mutex> lock(mLoaderMutex);
    if (!mLoaded) {
        mLoader = std::move(loader);
    }
}

void SimUsbDeviceTable::LoadDeclarations()
{
    // Held during the run: a second caller waits until the declared devices are plugged.
    std::lock_guard<std::mutex> lock(mLoaderMutex);
    if (mLoaded || !mLoader) {
        return;
    }
    mLoaded = true;
    auto loader = std::move(mLoader);
    mLoader = nullptr;
    loader();
}

bool SimUsbDeviceTable::HasDeclarationLoader() const
{
    std::lock_guard<std::mutex> lock(mLoaderMutex);
    return mLoaded || mLoader != nullptr;
}

}  // namespace base
}  // namespace ky
