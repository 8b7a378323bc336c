#include "System.h"

#include <climits>

#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/device/KyDeviceInfoU3V.h"
#include "ky/system/KyInterface.h"
#include "ky/system/KySystem.h"
#include "ResultCodes.h"
#include "TextOut.h"

namespace ky::camctrl {

System::~System()
{
    if (m_initialised)
        FreeSystem();
}

int System::InitSystem()
{
    m_initialised = true;
    return BNK_OK;
}

void System::Release(std::shared_ptr<Device> device)
{
    device->WaitForCalls();
    device->CloseDevice();
    // Released here, on the closing thread, whoever drops the last reference.
    device->Disconnect();
}

int System::FreeSystem()
{
    if (!m_initialised)
        return BNK_ERR_NO_SYSTEM;
    // Closing waits for the cameras' callbacks to finish: not from inside one of them.
    if (Device::InsideAnyCallback())
        return BNK_ERR_BUSY;
    std::map<uint32_t, std::shared_ptr<Device>> devices;
    {
        std::lock_guard<std::mutex> lock(m_devicesMutex);
        devices.swap(m_devices);
        for (auto &entry : devices)
            entry.second->BeginClose();
    }
    for (auto &entry : devices)
        Release(std::move(entry.second));
    m_initialised = false;
    return BNK_OK;
}

int System::GetAvailableCameraNum(unsigned int *count)
{
    if (!m_listUpdated) {
        if (const int result = UpdateDevice(); result != BNK_OK)
            return result;
    }
    *count = m_cameraCount;
    return BNK_OK;
}

int System::UpdateDevice()
{
    if (!m_initialised)
        return BNK_ERR_SYSTEM_NOT_INITIALIZED;
    m_deviceInfos.clear();
    KySystem system;
    // No answer is no camera; the list simply comes out empty.
    (void)system.Find().IsOK();
    for (uint32_t i = 0; i < system.GetInterfaceCount(); ++i) {
        const KyInterface *adapter = system.GetInterface(i);
        if (!adapter)
            continue;
        for (uint32_t j = 0; j < adapter->GetDeviceCount(); ++j) {
            const KyDeviceInfo *info = adapter->GetDeviceInfo(j);
            if (info)
                m_deviceInfos.emplace_back(info->Copy());
        }
    }
    m_cameraCount = static_cast<uint32_t>(m_deviceInfos.size());
    m_listUpdated = true;
    return BNK_OK;
}

int System::CheckIndex(unsigned int index) const
{
    if (!m_initialised)
        return BNK_ERR_SYSTEM_NOT_INITIALIZED;
    if (m_cameraCount == 0)
        return BNK_ERR_NO_DEVICE;
    if (index >= m_cameraCount)
        return BNK_ERR_NOT_FOUND;
    return BNK_OK;
}

std::string System::DeviceIdOf(unsigned int index)
{
    if (CheckIndex(index) != BNK_OK)
        return std::string();
    const KyDeviceInfo &info = *m_deviceInfos[index];
    return info.GetModelName().str() + "_SN_" + info.GetSerialNumber().str();
}

int System::GetEnumDeviceID(unsigned int index, char *text, unsigned int *length)
{
    if (const int check = CheckIndex(index); check != BNK_OK)
        return check;
    return PutText(DeviceIdOf(index), text, length) == TextOutcome::TooSmall ? BNK_ERR_BUFFER_TOO_SMALL
                                                                             : BNK_OK;
}

int System::GetEnumDeviceInfo(unsigned int index, int infoType, char *text, unsigned int *length)
{
    if (const int check = CheckIndex(index); check != BNK_OK)
        return check;
    const KyDeviceInfo *info = m_deviceInfos[index].get();
    const auto *gev = dynamic_cast<const KyDeviceInfoGEV *>(info);
    const auto *u3v = dynamic_cast<const KyDeviceInfoU3V *>(info);
    std::string value;
    switch (infoType) {
    case BNK_INFO_USER_DEFINED_NAME:
        value = info->GetUserDefinedName().str();
        break;
    case BNK_INFO_MODEL_NAME:
        value = info->GetModelName().str();
        break;
    case BNK_INFO_SERIAL_NUMBER:
        value = info->GetSerialNumber().str();
        break;
    case BNK_INFO_VERSION:
        value = info->GetVersion().str();
        break;
    case BNK_INFO_MAC_ADDRESS:
    case BNK_INFO_IP_ADDRESS:
        if (!gev)
            return BNK_ERR_INVALID_PARAMETER;
        value = (infoType == BNK_INFO_MAC_ADDRESS ? gev->GetMACAddress() : gev->GetIPAddress()).str();
        break;
    case BNK_INFO_USB_SPEED:
        if (!u3v)
            return BNK_ERR_INVALID_PARAMETER;
        value = u3v->GetSpeedMessage().str();
        break;
    default:
        break;
    }
    return PutText(value, text, length) == TextOutcome::TooSmall ? BNK_ERR_BUFFER_TOO_SMALL : BNK_OK;
}

int System::FailOpen(unsigned int index, int code, const std::string &text)
{
    CreateLogFile(index, -1, code, text);
    return code;
}

int System::OpenDevice(unsigned int index, int *handle, bool log)
{
    *handle = -1;
    if (!m_initialised)
        return FailOpen(index, BNK_ERR_SYSTEM_NOT_INITIALIZED,
                        LibraryCodeText(BNK_ERR_SYSTEM_NOT_INITIALIZED));
    if (!m_listUpdated)
        return FailOpen(index, BNK_ERR_NOT_INITIALIZED, "The camera list was never built (ST_UpdateDevice).");
    if (m_cameraCount == 0)
        return BNK_ERR_NO_DEVICE;
    if (index >= m_cameraCount)
        return FailOpen(index, BNK_ERR_NOT_FOUND, "The enumeration index is out of range.");

    auto device = std::make_shared<Device>(log);
    if (const int result = device->OpenDevice(m_deviceInfos[index]); result != BNK_OK) {
        const std::string text = device->GetLastErrorText();
        device.reset();
        return FailOpen(index, result, text);
    }
    uint32_t next = 0;
    {
        std::lock_guard<std::mutex> lock(m_devicesMutex);
        // Handles freed below the largest one are not reused while a larger one is open.
        next = m_devices.empty() ? 0 : m_devices.rbegin()->first + 1;
        if (next > static_cast<uint32_t>(INT_MAX))
            return BNK_ERR_GENERIC;  // 2^31 opens without a close: no handle left to give
        m_devices.emplace(next, device);
    }
    *handle = static_cast<int>(next);
    if (log) {
        CreateLogFile(index, *handle);
        device->WriteLogFile(LogInfo::Call("OpenDevice"));
    }
    return BNK_OK;
}

int System::CloseDevice(int handle)
{
    std::shared_ptr<Device> device;
    {
        std::lock_guard<std::mutex> lock(m_devicesMutex);
        const auto it = handle < 0 ? m_devices.end() : m_devices.find(static_cast<uint32_t>(handle));
        if (it == m_devices.end())
            return BNK_ERR_NO_DEVICE;
        // Closing waits for the camera's callbacks to finish: not from inside one of them.
        if (it->second->InsideOwnCallback())
            return it->second->SetResult(KY_BUSY, "A camera cannot be closed from its own callback.");
        // From here on no new call reaches the camera; the handle is free again.
        device = std::move(it->second);
        m_devices.erase(it);
        device->BeginClose();
    }
    Release(std::move(device));
    return BNK_OK;
}

DeviceCall System::EnterDevice(int handle) const
{
    if (handle < 0)
        return DeviceCall();
    std::lock_guard<std::mutex> lock(m_devicesMutex);
    const auto it = m_devices.find(static_cast<uint32_t>(handle));
    if (it == m_devices.end() || !it->second->EnterCall())
        return DeviceCall();
    return DeviceCall(it->second);
}

int System::GetLastError(int handle) const
{
    const DeviceCall device = EnterDevice(handle);
    return device ? device->GetLastError() : BNK_ERR_NO_DEVICE;
}

const char *System::GetLastErrorDescription(int handle) const
{
    const DeviceCall device = EnterDevice(handle);
    if (!device)
        return NO_DEVICE_TEXT;
    // The calling thread's own copies, one per handle it asked about (a few at most: a thread
    // that asks about many cameras over time drops the older copies).
    constexpr size_t KEPT_TEXTS = 16;
    thread_local std::map<int, std::string> texts;
    if (texts.size() >= KEPT_TEXTS && texts.count(handle) == 0)
        texts.clear();
    std::string &text = texts[handle];
    text = device->GetLastErrorText();
    return text.c_str();
}

}  // namespace ky::camctrl
