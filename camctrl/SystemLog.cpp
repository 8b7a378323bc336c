// System: making a camera's log file and writing its header block.
#include <cstdlib>
#include <functional>
#include <ctime>

#include "LogFiles.h"
#include "System.h"
#include "ky/camctrl/bnkCamCtrl.h"

namespace ky::camctrl {

namespace {

// Room the header gives the device ID and the user ID.
constexpr unsigned int ID_ROOM = 256;

std::string Bounded(const std::function<int(char *, unsigned int *)> &read)
{
    char text[ID_ROOM + 1] = {};
    unsigned int length = ID_ROOM;
    return read(text, &length) == 0 ? std::string(text) : std::string();
}

}  // namespace

void System::CreateLogFile(unsigned int index, int handle, int failureCode, const std::string &failureText)
{
    unsigned int count = 0;
    (void)GetAvailableCameraNum(&count);

    const char *home = std::getenv("HOME");
    if (!home || !*home)
        return;
    const std::string deviceId =
        Bounded([&](char *text, unsigned int *length) { return GetEnumDeviceID(index, text, length); });
    std::filesystem::path folder;
    if (!MakeLogFolder(home, deviceId, folder))
        return;

    std::string userId;
    if (handle < 0) {
        userId = Bounded([&](char *text, unsigned int *length) {
            return GetEnumDeviceInfo(index, BNK_INFO_USER_DEFINED_NAME, text, length);
        });
    } else if (const DeviceCall device = EnterDevice(handle)) {
        userId = Bounded([&](char *text, unsigned int *length) {
            return device->GetStrReg("DeviceUserID", text, length);
        });
    }

    if (!CleanLogFolder(folder))
        return;
    const std::filesystem::path path = folder / LogFileName(std::time(nullptr));

    const std::string separator = GetStringCurrentTime() + SeparatorLine() + "\n";
    const std::string header =
        separator + GetStringCurrentTime() +
        " [INFO] - Number of available cameras : " + std::to_string(count) + "\n" + GetStringCurrentTime() +
        " [INFO] - Enumeration Number : " + std::to_string(index) + " => " + deviceId + "\n" +
        GetStringCurrentTime() + " [INFO] - Device User ID : " + userId + "\n" + separator;
    {
        // Two opens within one second share the name: the second header is appended after the
        // first file's lines instead of emptying them.
        std::lock_guard<std::mutex> lock(m_headerMutex);
        if (!AppendToFile(path, header))
            return;
    }
    if (handle < 0) {
        (void)AppendToFile(path, " [ERROR]- ST_OpenDevice : " + std::to_string(failureCode) + " (" +
                                     failureText + ")\n");
    } else if (const DeviceCall device = EnterDevice(handle)) {
        device->CreateLogFile(path.string());
    }
}

}  // namespace ky::camctrl
