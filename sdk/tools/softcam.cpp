// softcam: runs software GigE Vision cameras until SIGINT or SIGTERM.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
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

#include "CommandLine.h"
#include "ky/buffer/KyImage.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"
#include "ky/device/KyGevConstants.h"
#include "ky/Ipv4Text.h"
#include "u3vdevice/SoftU3vDeclarations.h"

namespace {

const char HELP[] =
    "Usage: softcam [--adapter NAME|MAC [--ip ADDRESS] [IDENTITY...] [--apply-forced-ip] [--zip-xml] [--u3v "
    "GUID]]...\n"
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
    "  --multipart          offer multi-part payloads: once the controller enables them (SCCFG),\n"
    "                       each frame is an image part, the same image as JPEG and a chunk part\n"
    "  --u3v GUID           also run the camera as a USB3 Vision device with this GUID (12 hex\n"
    "                       digits) on softcam's simulated USB host controller. Simulated USB is\n"
    "                       in-process: only softcam itself sees that device; other programs\n"
    "                       declare theirs in the file that KY_U3V_SIM names (README)\n"
    "  -h, --help           show this help\n"
    "\n"
    "Each camera streams the moving test pattern on one stream channel once a controller starts\n"
    "acquisition. Prints one line per camera when it runs, then \"ready\".\n"
    "KY_LOG=control=debug in the environment writes the GVCP traffic it serves to standard error,\n"
    "together with the cameras' faults (categories and levels: README, Logging).\n";

// One camera as its options describe it. The source takes width, height, rate and pixel format
// as they are parsed, so that its own checks judge the values before anything starts.
struct Camera
{
    std::string adapter = "00:00:00:00:00:00";
    std::string ip, model, serial, userName, vendor, version;
    double testDrop = 0;
    bool applyForcedIp = false;
    bool zipXml = false;
    std::string u3vGuid;
    std::unique_ptr<KyStreamingChannelSourceTestPattern> source;
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

std::string Refusal(const KyResult &result)
{
    return result.IsOK() ? std::string() : std::string("refused: ") + result.GetDescription().GetAscii();
}

Camera NewCamera()
{
    Camera camera;
    camera.source = std::make_unique<KyStreamingChannelSourceTestPattern>();
    // The defaults, which the source takes; the options replace them with checked values.
    (void)camera.source->SetWidth(640);
    (void)camera.source->SetHeight(480);
    (void)camera.source->SetFrameRate(30);
    (void)camera.source->SetPixelType(KyPixelMono8);
    return camera;
}

// The option table: --adapter starts a camera, the options after it describe that one.
void DescribeOptions(ky::tools::CommandLine &line, std::vector<Camera> &cameras)
{
    auto current = [&cameras]() -> Camera & {
        if (cameras.empty())
            cameras.push_back(NewCamera());
        return cameras.back();
    };
    line.Value("--adapter", [&cameras](const std::string &value) {
        cameras.push_back(NewCamera());
        cameras.back().adapter = value;
        return std::string();
    });
    line.Flag("--apply-forced-ip", [current] { current().applyForcedIp = true; });
    line.Flag("--zip-xml", [current] { current().zipXml = true; });
    line.Flag("--multipart", [current] { current().source->SetMultiPartSupported(true); });
    line.Value("--u3v", [current](const std::string &value) {
        const bool guid =
            value.size() == 12 && value.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
        if (!guid)
            return "takes 12 hexadecimal digits, not '" + value + "'";
        current().u3vGuid = value;
        return std::string();
    });
    line.Value("--ip", [current](const std::string &value) {
        current().ip = value;
        return std::string();
    });
    // Identity texts fit their bootstrap fields with the terminating zero.
    const struct
    {
        const char *name;
        std::string Camera::*field;
        uint32_t size;
    } texts[] = {{"--model", &Camera::model, ky::gev::MODEL_NAME_SIZE},
                 {"--serial", &Camera::serial, ky::gev::SERIAL_NUMBER_SIZE},
                 {"--user-name", &Camera::userName, ky::gev::USER_DEFINED_NAME_SIZE},
                 {"--vendor", &Camera::vendor, ky::gev::MANUFACTURER_NAME_SIZE},
                 {"--version", &Camera::version, ky::gev::DEVICE_VERSION_SIZE}};
    for (const auto &text : texts) {
        line.Value(text.name, [current, field = text.field, most = text.size - 1](const std::string &value) {
            if (value.size() > most)
                return "takes " + std::to_string(most) + " characters at most, not " +
                       std::to_string(value.size());
            current().*field = value;
            return std::string();
        });
    }
    line.Value("--width", [current](const std::string &text) {
        long double value = 0;
        const std::string error = ky::tools::CommandLine::ParseWhole(text, 1, UINT32_MAX, value);
        return error.empty() ? Refusal(current().source->SetWidth(static_cast<uint32_t>(value))) : error;
    });
    line.Value("--height", [current](const std::string &text) {
        long double value = 0;
        const std::string error = ky::tools::CommandLine::ParseWhole(text, 1, UINT32_MAX, value);
        return error.empty() ? Refusal(current().source->SetHeight(static_cast<uint32_t>(value))) : error;
    });
    line.Value("--fps", [current](const std::string &text) {
        double value = 0;
        const std::string error = ky::tools::CommandLine::ParseNumber(text, 0, 100000, value);
        return error.empty() ? Refusal(current().source->SetFrameRate(value)) : error;
    });
    line.Value("--pixel-format", [current](const std::string &text) {
        KyStreamingChannelSourceTestPattern &source = *current().source;
        std::string names;
        KyPixelType type = KyPixelMono8;
        for (int i = 0; source.GetSupportedPixelType(i, type).IsOK(); ++i) {
            const std::string name = KyImage::PixelTypeToString(type).GetAscii();
            if (name == text)
                return Refusal(source.SetPixelType(type));
            names += (names.empty() ? "" : ", ") + name;
        }
        return "takes one of " + names + ", not '" + text + "'";
    });
    line.Value("--test-drop", [current](const std::string &text) {
        return ky::tools::CommandLine::ParseNumber(text, 0, 1, current().testDrop);
    });
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

bool Identify(KySoftDeviceGEV &device, const Camera &camera, size_t index)
{
    IKySoftDeviceGEVInfo *info = device.GetInfo();
    const std::string serial =
        camera.serial.empty()
            ? "SC" + std::string(7 - std::to_string(index + 1).size(), '0') + std::to_string(index + 1)
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
        IKyRegister *name = device.GetRegisterMap()->GetRegisterByAddress(ky::gev::USER_DEFINED_NAME_OFFSET);
        ok = ok && name && Check(name->Write(KyString(camera.userName)), "--user-name");
    }
    return ok;
}

uint32_t CurrentAddress(IKySoftDeviceGEV &device)
{
    uint32_t address = 0;
    if (IKyRegister *ip = device.GetRegisterMap()->GetRegisterByAddress(ky::gev::CURRENT_IP_OFFSET))
        (void)ip->ReadInt(address);  // a started device's own register: 0 if it could not be read
    return address;
}

// The name of the interface that holds an IPv4 address (the adapter a user names with
// --adapter); `fallback` when none does.
std::string InterfaceWith(uint32_t address, const std::string &fallback)
{
    std::string name = fallback;
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0)
        return name;
    for (ifaddrs *entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET &&
            ntohl(reinterpret_cast<sockaddr_in *>(entry->ifa_addr)->sin_addr.s_addr) == address) {
            name = entry->ifa_name;
            break;
        }
    }
    freeifaddrs(list);
    return name;
}

// A camera started without --apply-forced-ip takes a FORCEIP into its registers but keeps
// answering at the address it started with: one line says so, and how to have it applied.
class ForcedIpNotice : public IKySoftDeviceGEVEventSink
{
public:
    explicit ForcedIpNotice(uint32_t started) : mStarted(started) { }
    void OnDeviceResetNetwork(IKySoftDeviceGEV *device) override
    {
        const uint32_t forced = CurrentAddress(*device);
        if (forced == mStarted)
            return;  // a reset to the configured address, or a FORCEIP to the one it has
        std::printf("softcam: %s was forced to %s (FORCEIP) but still answers at %s only: start softcam with "
                    "--apply-forced-ip to add the forced address to the adapter\n",
                    device->GetInfo()->GetSerialNumber().GetAscii(), ky::base::FormatIPv4(forced).c_str(),
                    ky::base::FormatIPv4(mStarted).c_str());
        std::fflush(stdout);
    }

private:
    const uint32_t mStarted;
};

}  // namespace

// The camera's USB3 Vision twin: the same identity and image on the simulated controller.
bool PlugU3v(const Camera &camera, IKySoftDeviceGEVInfo &info)
{
    ky::soft::SoftU3vSettings settings;
    settings.guid = camera.u3vGuid;
    settings.vendor = info.GetManufacturerName().str();
    settings.model = info.GetModelName().str();
    settings.version = info.GetDeviceVersion().str();
    settings.serial = info.GetSerialNumber().str();
    settings.userName = camera.userName;
    settings.width = camera.source->GetWidth();
    settings.height = camera.source->GetHeight();
    settings.pixelType = camera.source->GetPixelType();
    settings.frameRate = camera.source->GetFrameRate();
    settings.zipXml = camera.zipXml;
    if (!Check(ky::soft::SoftU3vDeclarations::Plug(settings), "--u3v"))
        return false;
    std::printf("softcam: %s %s on the simulated USB host controller as %s\n", settings.model.c_str(),
                settings.serial.c_str(), camera.u3vGuid.c_str());
    return true;
}

int main(int argc, char **argv)
{
    std::vector<Camera> cameras;
    ky::tools::CommandLine line("softcam", HELP);
    DescribeOptions(line, cameras);
    if (const int status = line.Parse(argc, argv); status != ky::tools::CommandLine::kContinue)
        return status;
    if (cameras.empty())
        cameras.push_back(NewCamera());

    // Device threads inherit this mask, so the signals reach only the sigwait below.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    // Sources and notices outlive the devices: the devices are declared last, destroyed first.
    std::vector<std::unique_ptr<ForcedIpNotice>> notices;
    std::vector<std::unique_ptr<KySoftDeviceGEV>> devices;
    for (size_t i = 0; i < cameras.size(); ++i) {
        const Camera &camera = cameras[i];
        auto device = std::make_unique<KySoftDeviceGEV>();
        bool ok = Check(device->AddStream(camera.source.get()), "AddStream") &&
                  Check(device->SetStreamTestDropFraction(0, camera.testDrop), "--test-drop") &&
                  Check(device->SetApplyForcedIP(camera.applyForcedIp), "--apply-forced-ip") &&
                  Check(device->SetGenICamXMLZipped(camera.zipXml), "--zip-xml") &&
                  (camera.ip.empty() || Check(device->SetIPAddress(KyString(camera.ip)), "--ip")) &&
                  Check(device->Start(KyString(AdapterMac(camera.adapter))), camera.adapter.c_str()) &&
                  Identify(*device, camera, i);
        if (!ok) {
            return 1;  // the devices started so far stop in their destructors
        }
        const uint32_t address = CurrentAddress(*device);
        if (!camera.applyForcedIp) {
            notices.push_back(std::make_unique<ForcedIpNotice>(address));
            (void)device->RegisterEventSink(notices.back().get());  // a new sink: cannot be refused
        }
        IKySoftDeviceGEVInfo *info = device->GetInfo();
        std::printf("softcam: %s %s on %s at %s\n", info->GetModelName().GetAscii(),
                    info->GetSerialNumber().GetAscii(), InterfaceWith(address, camera.adapter).c_str(),
                    ky::base::FormatIPv4(address).c_str());
        if (!camera.u3vGuid.empty() && !PlugU3v(camera, *info))
            return 1;
        devices.push_back(std::move(device));
    }
    std::printf("ready\n");
    std::fflush(stdout);
    int received = 0;
    sigwait(&signals, &received);
    for (auto &device : devices) {
        Check(device->Stop(), "stop");
    }
    std::printf("stopped\n");
    return 0;
}
