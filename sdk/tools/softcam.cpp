// softcam: runs software GigE Vision cameras until SIGINT or SIGTERM.
#include <pthread.h>
#include <signal.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ky/buffer/KyImage.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"

namespace {

const char HELP[] =
    "Usage: softcam [--adapter NAME|MAC [--ip ADDRESS] [IDENTITY...] [--apply-forced-ip] [--zip-xml]]...\n"
    "Runs software GigE Vision cameras until interrupted (SIGINT or SIGTERM).\n"
    "\n"
    "Each --adapter starts the description of one more camera; the options after it describe\n"
    "that camera. Without any --adapter, one camera runs on the loopback adapter.\n"
    "  --adapter NAME|MAC   network adapter, by interface name (eth0) or MAC (00:00:00:00:00:00)\n"
    "  --ip ADDRESS         which of the adapter's IPv4 addresses to use (default: its first)\n"
    "  --model TEXT         model name (31 characters at most)\n"
    "  --serial TEXT        serial number (15 characters at most; default SC0000001, SC0000002, ...)\n"
    "  --user-name TEXT     user-defined name (15 characters at most)\n"
    "  --vendor TEXT        manufacturer name (31 characters at most)\n"
    "  --version TEXT       device version (31 characters at most)\n"
    "  --pixel-format NAME  pixel format of the stream: Mono8 (default), BayerGR8, BayerRG8,\n"
    "                       BayerGB8 or BayerBG8\n"
    "  --width N            image width (default 640)\n"
    "  --height N           image height (default 480)\n"
    "  --fps RATE           frames per second (default 30; 0: as fast as the receiver takes them)\n"
    "  --test-drop FRACTION test only: leave out this fraction (0 to 1) of the stream's packets\n"
    "                       on their first sending, so that receivers must ask for them again\n"
    "  --apply-forced-ip    let FORCEIP add the forced address to the adapter (private network\n"
    "                       namespaces only: it changes the host's network configuration)\n"
    "  --zip-xml            serve the GenICam XML as a zip archive\n"
    "  -h, --help           show this help\n"
    "\n"
    "Each camera streams the moving test pattern on one stream channel once a controller starts\n"
    "acquisition. Prints one line per camera when it runs, then \"ready\".\n";

struct CameraOptions {
    std::string adapter = "00:00:00:00:00:00";
    std::string ip, model, serial, userName, vendor, version;
    std::string pixelFormat = "Mono8", width = "640", height = "480", fps = "30", testDrop = "0";
    bool applyForcedIp = false;
    bool zipXml = false;
};

// An interface name becomes its MAC address; a MAC address stays as it is.
std::string AdapterMac(const std::string &adapter)
{
    if (adapter.size() == 17 && adapter[2] == ':') {
        return adapter;
    }
    if (adapter.find('/') != std::string::npos) {
        return adapter;
    }
    std::ifstream file("/sys/class/net/" + adapter + "/address");
    std::string mac;
    return std::getline(file, mac) ? mac : adapter;
}

bool ParseArguments(int argc, char **argv, std::vector<CameraOptions> &cameras, bool &help)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "-h" || option == "--help") {
            help = true;
            return true;
        }
        if (option == "--apply-forced-ip" || option == "--zip-xml") {
            if (cameras.empty()) {
                cameras.emplace_back();
            }
            (option == "--zip-xml" ? cameras.back().zipXml : cameras.back().applyForcedIp) = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "softcam: %s needs a value (see --help)\n", option.c_str());
            return false;
        }
        const std::string value = argv[++i];
        if (option == "--adapter") {
            cameras.emplace_back();
            cameras.back().adapter = value;
            continue;
        }
        if (cameras.empty()) {
            cameras.emplace_back();
        }
        CameraOptions &camera = cameras.back();
        std::string *field = option == "--ip"          ? &camera.ip
                             : option == "--model"     ? &camera.model
                             : option == "--serial"    ? &camera.serial
                             : option == "--user-name" ? &camera.userName
                             : option == "--vendor"    ? &camera.vendor
                             : option == "--version"   ? &camera.version
                             : option == "--pixel-format" ? &camera.pixelFormat
                             : option == "--width"     ? &camera.width
                             : option == "--height"    ? &camera.height
                             : option == "--fps"       ? &camera.fps
                             : option == "--test-drop" ? &camera.testDrop
                                                       : nullptr;
        if (field == nullptr) {
            std::fprintf(stderr, "softcam: unknown option %s (see --help)\n", option.c_str());
            return false;
        }
        *field = value;
    }
    if (cameras.empty()) {
        cameras.emplace_back();
    }
    return true;
}

bool Check(const KyResult &result, const char *what)
{
    if (result.IsFailure()) {
        std::fprintf(stderr, "softcam: %s: %s %s\n", what, result.GetCodeString().GetAscii(),
                     result.GetDescription().GetAscii());
        return false;
    }
    return true;
}

bool Identify(KySoftDeviceGEV &device, const CameraOptions &camera, size_t index)
{
    IKySoftDeviceGEVInfo *info = device.GetInfo();
    const std::string serial = camera.serial.empty() ? "SC" + std::string(7 - std::to_string(index + 1).size(), '0') +
                                                           std::to_string(index + 1)
                                                     : camera.serial;
    bool ok = Check(info->SetSerialNumber(KyString(serial)), "--serial");
    if (!camera.model.empty()) {
        ok = ok && Check(info->SetModelName(KyString(camera.model)), "--model");
    }
    if (!camera.vendor.empty()) {
        ok = ok && Check(info->SetManufacturerName(KyString(camera.vendor)), "--vendor");
    }
    if (!camera.version.empty()) {
        ok = ok && Check(info->SetDeviceVersion(KyString(camera.version)), "--version");
    }
    if (!camera.userName.empty()) {
        IKyRegister *name = device.GetRegisterMap()->GetRegisterByAddress(0x00E8);
        ok = ok && name && Check(name->Write(KyString(camera.userName)), "--user-name");
    }
    return ok;
}

bool ParseNumber(const std::string &text, double &value)
{
    char *end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0';
}

// The camera's stream source, set up from its options.
bool MakeSource(const CameraOptions &camera, std::unique_ptr<KyStreamingChannelSourceTestPattern> &source)
{
    source = std::make_unique<KyStreamingChannelSourceTestPattern>();
    double width = 0, height = 0, fps = 0;
    if (!ParseNumber(camera.width, width) || !ParseNumber(camera.height, height) || width < 0 || height < 0 ||
        width > UINT32_MAX || height > UINT32_MAX || width != std::floor(width) || height != std::floor(height)) {
        std::fprintf(stderr, "softcam: --width and --height take whole numbers\n");
        return false;
    }
    bool ok = Check(source->SetWidth(static_cast<uint32_t>(width)), "--width") &&
              Check(source->SetHeight(static_cast<uint32_t>(height)), "--height");
    if (!ParseNumber(camera.fps, fps)) {
        std::fprintf(stderr, "softcam: --fps takes a number\n");
        return false;
    }
    ok = ok && Check(source->SetFrameRate(fps), "--fps");
    KyPixelType type = KyPixelMono8;
    bool known = false;
    for (int i = 0; source->GetSupportedPixelType(i, type).IsOK(); ++i) {
        if (camera.pixelFormat == KyImage::PixelTypeToString(type).GetAscii()) {
            known = true;
            break;
        }
    }
    if (!known) {
        std::fprintf(stderr, "softcam: --pixel-format %s is not one of the stream's pixel formats\n",
                     camera.pixelFormat.c_str());
        return false;
    }
    return ok && Check(source->SetPixelType(type), "--pixel-format");
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<CameraOptions> cameras;
    bool help = false;
    if (!ParseArguments(argc, argv, cameras, help)) {
        return 2;
    }
    if (help) {
        std::fputs(HELP, stdout);
        return 0;
    }
    // Device threads inherit this mask, so the signals reach only the sigwait below.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    // Sources outlive their devices: declared first, destroyed last.
    std::vector<std::unique_ptr<KyStreamingChannelSourceTestPattern>> sources;
    std::vector<std::unique_ptr<KySoftDeviceGEV>> devices;
    for (size_t i = 0; i < cameras.size(); ++i) {
        const CameraOptions &camera = cameras[i];
        sources.emplace_back();
        if (!MakeSource(camera, sources.back())) {
            return 2;
        }
        auto device = std::make_unique<KySoftDeviceGEV>();
        double drop = 0;
        if (!ParseNumber(camera.testDrop, drop)) {
            std::fprintf(stderr, "softcam: --test-drop takes a number\n");
            return 2;
        }
        bool ok = Check(device->AddStream(sources.back().get()), "AddStream") &&
                  Check(device->SetStreamTestDropFraction(0, drop), "--test-drop") &&
                  Check(device->SetApplyForcedIP(camera.applyForcedIp), "--apply-forced-ip") &&
                  Check(device->SetGenICamXMLZipped(camera.zipXml), "--zip-xml") &&
                  (camera.ip.empty() || Check(device->SetIPAddress(KyString(camera.ip)), "--ip")) &&
                  Check(device->Start(KyString(AdapterMac(camera.adapter))), camera.adapter.c_str()) &&
                  Identify(*device, camera, i);
        if (!ok) {
            return 1;  // the devices started so far stop in their destructors
        }
        IKySoftDeviceGEVInfo *info = device->GetInfo();
        IKyRegister *ip = device->GetRegisterMap()->GetRegisterByAddress(0x0024);
        uint32_t address = 0;
        ip->ReadInt(address);
        std::printf("softcam: %s %s on %s at %u.%u.%u.%u\n", info->GetModelName().GetAscii(),
                    info->GetSerialNumber().GetAscii(), camera.adapter.c_str(), address >> 24, (address >> 16) & 0xFF,
                    (address >> 8) & 0xFF, address & 0xFF);
        devices.push_back(std::move(device));
    }
    std::printf("ready\n");
    std::fflush(stdout);
    int received = 0;
    sigwait(&signals, &received);
    for (auto &device : devices) {
        device->Stop();
    }
    std::printf("stopped\n");
    return 0;
}
