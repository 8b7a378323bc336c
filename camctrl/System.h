// System: the one process-wide object behind the ST_ functions. Owns the enumeration list (copies
// of the records discovery found) and every open camera, by handle.
//
// Threads: creating and freeing the system, opening and closing cameras and rebuilding the list
// happen on one thread at a time (the application serialises them); the library takes no lock
// for them. Header blocks of log files are written one at a time (m_headerMutex).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Device.h"
#include "ky/device/KyDeviceInfo.h"

namespace ky::camctrl {

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

    bool IsExistDevice(int handle) const;
    // The camera of a handle, or null for a handle not in use.
    Device *FindDevice(int handle) const;
    int GetLastError(int handle) const;
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

    bool m_initialised = false;
    bool m_listUpdated = false;
    uint32_t m_cameraCount = 0;
    std::map<uint32_t, std::unique_ptr<Device>> m_devices;
    // Shared with the cameras opened from them, so that a record lives as long as its users
    // whatever the list becomes.
    std::vector<std::shared_ptr<const KyDeviceInfo>> m_deviceInfos;
    std::mutex m_headerMutex;
};

}  // namespace ky::camctrl
