// Settings files as a user might hand them to the camera library: the input is written as an
// XML or a JSON settings file and imported into an open camera, a soft device of this process.
// The first byte picks the road (bit 0: XML or JSON); the rest is the file.
//
// The camera is found by discovery, so this target runs only inside the private network of
// `scripts/netns-run --adapters 1` (scripts/fuzz starts it there): it refuses to start where any
// network adapter but lo, kyh1 and kyc1 exists.
#include <net/if.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "ky/camctrl/bnkCamCtrl.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

namespace {

constexpr const char *MODEL = "FuzzCam";
constexpr const char *CAMERA_MAC = "02:00:0a:0a:01:02";  // kyc1 of scripts/netns-run

bool InPrivateNetwork()
{
    const std::set<std::string> expected = {"lo", "kyh1", "kyc1"};
    std::set<std::string> found;
    struct if_nameindex *names = ::if_nameindex();
    if (!names)
        return false;
    for (struct if_nameindex *at = names; at->if_index != 0; ++at)
        found.insert(at->if_name);
    ::if_freenameindex(names);
    return found == expected;
}

[[noreturn]] void Die(const char *what)
{
    std::fprintf(stderr, "fuzz_settings_import: %s\n", what);
    std::_Exit(1);
}

// The soft camera and the library's handle to it, made once for the whole run.
struct Camera
{
    KyStreamingChannelSourceTestPattern source{64, 48};
    KySoftDeviceGEV device;
    std::string folder;
    int handle = -1;

    void Start()
    {
        char home[] = "/tmp/fuzz_settings_XXXXXX";
        if (!::mkdtemp(home))
            Die("no temporary folder");
        folder = home;
        ::setenv("HOME", home, 1);  // the library's log files land here
        if (!device.AddStream(&source).IsOK() || !device.Start(KyString(CAMERA_MAC)).IsOK() ||
            !device.GetInfo() || !device.GetInfo()->SetModelName(KyString(MODEL)).IsOK())
            Die("the soft camera does not start");
        if (ST_InitSystem() != 0)
            Die("ST_InitSystem failed");
        Open();
    }

    void Open()
    {
        for (int round = 0; round < 20; ++round) {
            unsigned int count = 0;
            if (ST_UpdateDevice() == 0 && ST_GetAvailableCameraNum(&count) == 0 && count > 0 &&
                ST_OpenDevice(0, &handle, false) == 0)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        Die("the soft camera cannot be opened");
    }

    // An import may have changed what keeps the link (control privilege, heartbeat): open again.
    void KeepOpen()
    {
        bool open = false;
        if (ST_IsOpenDevice(handle, &open) == 0 && open) {
            int64_t width = 0;
            if (ST_GetIntReg(handle, "Width", &width) == 0)
                return;
        }
        (void)ST_CloseDevice(handle);
        Open();
    }
};

Camera *g_camera = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!InPrivateNetwork())
        Die("run me inside scripts/netns-run --adapters 1 (discovery must not leave the namespace)");
    // Never destroyed: libFuzzer ends the process with the camera still running.
    g_camera = new Camera;
    g_camera->Start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool xml = (data[0] & 1) == 0;
    const std::string path = g_camera->folder + (xml ? "/input.xml" : "/input.json");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    const int result =
        xml ? ST_ImportXML(g_camera->handle, path.c_str()) : ST_ImportJson(g_camera->handle, path.c_str());
    // An import answers with one of its own codes, never anything else.
    if (result != 0 && result != BNK_ERR_CANNOT_OPEN_FILE && result != BNK_ERR_NOT_FOUND &&
        result != BNK_ERR_NOT_CONNECTED)
        std::abort();
    g_camera->KeepOpen();
    return 0;
}
