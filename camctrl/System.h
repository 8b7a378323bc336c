// System: the one process-wide object behind the ST_ functions. Owns the enumeration list (copies
// of the records discovery found) and every open camera, by handle.
//
// Threads: creating and freeing the system, opening cameras and rebuilding the list happen on one
// thread at a time (the application serialises them). The handle map is guarded
// (m_devicesMutex): a call on a camera holds a reference to it and counts as a call in flight
// (DeviceCall), and closing a camera (or freeing the system) takes its handle away first, wakes
// what waits in its grab and waits for the calls in flight before it releases the camera. So
// a call racing the close either runs on a whole camera or answers "no such camera".
// Header blocks of log files are written one at a time (m_headerMutex).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Device.h"
#include "ky/device/KyDeviceInfo.h"

namespace ky::camctrl {

// One application call on a camera: the camera stays alive and counted as in flight until the
// object goes. Empty for a handle not in use (or whose camera is closing).
class DeviceCall
{
public:
    DeviceCall() = default;
    explicit DeviceCall(std::shared_ptr<Device> device) : m_device(std::move(device)) { }
    ~DeviceCall()
    {
        if (m_device)
            m_device->LeaveCall();
    }
    DeviceCall(DeviceCall &&other) noexcept = default;
    DeviceCall &operator=(DeviceCall &&other) noexcept
    {
        if (this != &other) {
            if (m_device)
                m_device->LeaveCall();
            m_device = std::move(other.m_device);
        }
        return *this;
    }
    DeviceCall(const DeviceCall &) = delete;
    DeviceCall &operator=(const DeviceCall &) = delete;

    explicit operator bool() const { return m_device != nullptr; }
    Device *operator->() const { return m_device.get(); }
    Device &operator*() const { return *m_device; }

private:
    std::shared_ptr<Device> m_device;
};

class System
{
public:
    System() = default;
    virtual ~System();
    System(const System &) = delete;
    System &operator=(const System &) = delete;

    int InitSystem();
    // Closes and deletes every open camera, in handle order. The enumeration list stays.
    int FreeSystem();
    bool IsInitialised() const { return m_initialised; }

    int GetAvailableCameraNum(unsigned int *count);
    // Discovery on every interface; the list is rebuilt in discovery order.
    int UpdateDevice();
    int GetEnumDeviceID(unsigned int index, char *text, unsigned int *length);
    int GetEnumDeviceInfo(unsigned int index, int infoType, char *text, unsigned int *length);

    int OpenDevice(unsigned int index, int *handle, bool log);
    int CloseDevice(int handle);

    // A call on the camera of a handle; empty for a handle not in use.
    DeviceCall EnterDevice(int handle) const;
    int GetLastError(int handle) const;
    // The camera's last-error text; the pointer stays valid until the calling thread asks again
    // for the same handle (each thread keeps copies of its own).
    const char *GetLastErrorDescription(int handle) const;

    // Header block of a new log file, then (handle -1) the failed open's line with its code and
    // text, or the camera's own description lines. Gives up silently without HOME or when the
    // folder cannot be made or cleaned.
    void CreateLogFile(unsigned int index, int handle, int failureCode = 0,
                       const std::string &failureText = {});

    // The device ID of an enumeration index ("<model>_SN_<serial>"), empty when there is none.
    std::string DeviceIdOf(unsigned int index);

    static std::string GetStringCurrentTime() { return std::string(); }

private:
    int CheckIndex(unsigned int index) const;
    int FailOpen(unsigned int index, int code, const std::string &text);
    // Takes a closing camera's handle out of use, then (outside the lock) waits for its calls in
    // flight and releases it.
    static void Release(std::shared_ptr<Device> device);

    std::atomic<bool> m_initialised{false};
    bool m_listUpdated = false;
    uint32_t m_cameraCount = 0;
    mutable std::mutex m_devicesMutex;
    std::map<uint32_t, std::shared_ptr<Device>> m_devices;
    // Shared with the cameras opened from them, so that a record lives as long as its users
    // whatever the list becomes.
    std::vector<std::shared_ptr<const KyDeviceInfo>> m_deviceInfos;
    std::mutex m_headerMutex;
};

}  // namespace ky::camctrl
