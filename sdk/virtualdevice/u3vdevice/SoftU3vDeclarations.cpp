#include "u3vdevice/SoftU3vDeclarations.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "ky/buffer/KyImage.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"
#include "SoftLog.h"
#include "u3v/SimUsbRegistry.h"
#include "u3vdevice/SoftU3vDevice.h"

namespace ky::soft {

namespace {

KyResult Bad(const std::string &text) { return KyResult(KY_INVALID_PARAMETER, KyString(text)); }

bool ParseWhole(const std::string &text, uint32_t &value)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (parsed == 0 || parsed > UINT32_MAX) {
        return false;
    }
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool ParseRate(const std::string &text, double &value)
{
    if (text.empty()) {
        return false;
    }
    char *end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParsePixelFormat(const std::string &text, KyPixelType &type)
{
    KyStreamingChannelSourceTestPattern source;
    KyPixelType candidate = KyPixelMono8;
    for (int i = 0; source.GetSupportedPixelType(i, candidate).IsOK(); ++i) {
        if (KyImage::PixelTypeToString(candidate).str() == text) {
            type = candidate;
            return true;
        }
    }
    return false;
}

bool ParseSpeed(const std::string &text, int32_t &speed)
{
    const struct
    {
        const char *name;
        int32_t value;
    } speeds[] = {{"low", KyUSBSpeedLow},
                  {"full", KyUSBSpeedFull},
                  {"high", KyUSBSpeedHigh},
                  {"super", KyUSBSpeedSuper}};
    for (const auto &s : speeds) {
        if (text == s.name) {
            speed = s.value;
            return true;
        }
    }
    return false;
}

}  // namespace

KyResult SoftU3vDeclarations::ParseLine(const std::string &line, SoftU3vSettings &settings, bool &isDevice)
{
    isDevice = false;
    std::istringstream words(line);
    std::string guid;
    if (!(words >> guid) || guid[0] == '#') {
        return KyResult(KY_OK);
    }
    isDevice = true;
    SoftU3vSettings parsed;
    if (!base::SimUsbDeviceTable::NormalizeGuid(guid, parsed.guid)) {
        return Bad("the GUID '" + guid + "' is not 12 hex digits");
    }
    std::string word;
    while (words >> word) {
        if (word == "zip-xml") {
            parsed.zipXml = true;
            continue;
        }
        const size_t equals = word.find('=');
        if (equals == std::string::npos) {
            return Bad("'" + word + "' is not NAME=VALUE");
        }
        const std::string name = word.substr(0, equals);
        const std::string value = word.substr(equals + 1);
        bool ok = true;
        if (name == "serial") {
            parsed.serial = value;
        } else if (name == "model") {
            parsed.model = value;
        } else if (name == "vendor") {
            parsed.vendor = value;
        } else if (name == "version") {
            parsed.version = value;
        } else if (name == "user-name") {
            parsed.userName = value;
        } else if (name == "width") {
            ok = ParseWhole(value, parsed.width);
        } else if (name == "height") {
            ok = ParseWhole(value, parsed.height);
        } else if (name == "pixel-format") {
            ok = ParsePixelFormat(value, parsed.pixelType);
        } else if (name == "fps") {
            ok = ParseRate(value, parsed.frameRate);
        } else if (name == "speed") {
            ok = ParseSpeed(value, parsed.speed);
        } else {
            return Bad("unknown setting '" + name + "'");
        }
        if (!ok) {
            return Bad("'" + value + "' is no value for " + name);
        }
    }
    settings = parsed;
    return KyResult(KY_OK);
}

KyResult SoftU3vDeclarations::LoadFile(const std::string &path, size_t &plugged)
{
    plugged = 0;
    std::ifstream file(path);
    if (!file) {
        return KyResult(KY_FILE_ERROR, KyString("cannot read the USB3 Vision device file " + path));
    }
    KyResult first(KY_OK);
    std::string line;
    for (size_t number = 1; std::getline(file, line); ++number) {
        SoftU3vSettings settings;
        bool isDevice = false;
        KyResult result = ParseLine(line, settings, isDevice);
        if (result.IsOK() && isDevice) {
            result = Plug(settings);
        }
        if (!result.IsOK()) {
            SoftLog("SoftU3vDeclarations", "%s line %zu: %s", path.c_str(), number,
                    result.GetDescription().GetAscii());
            if (first.IsOK()) {
                first = KyResult(result.GetCode(), KyString(path + " line " + std::to_string(number) + ": " +
                                                            result.GetDescription().str()));
            }
        } else if (isDevice) {
            ++plugged;
        }
    }
    return first;
}

void SoftU3vDeclarations::InstallLoader()
{
    base::SimUsbDeviceTable::Instance().SetDeclarationLoader([] {
        const char *path = std::getenv("KY_U3V_SIM");
        if (path == nullptr || *path == '\0') {
            return;
        }
        size_t plugged = 0;
        const KyResult result = SoftU3vDeclarations::LoadFile(path, plugged);
        if (!result.IsOK()) {
            SoftLog("SoftU3vDeclarations", "%s", result.GetDescription().GetAscii());
        }
    });
}

namespace {

// Loading the library (or, from the archive, this file) makes the declared devices known to the
// process's first enumeration or connection by GUID, whichever library makes it.
[[maybe_unused]] const bool gLoaderInstalled = [] {
    SoftU3vDeclarations::InstallLoader();
    return true;
}();

}  // namespace

KyResult SoftU3vDeclarations::Plug(const SoftU3vSettings &settings) { return SoftU3vDevice::Plug(settings); }

KyResult SoftU3vDeclarations::Unplug(const std::string &guid) { return u3v::SimUsbRegistry::Unplug(guid); }

bool SoftU3vDeclarations::RaiseEvent(const std::string &guid, uint16_t eventId, const uint8_t *data,
                                     size_t size)
{
    std::shared_ptr<SoftU3vDevice> device = u3v::SimUsbRegistry::DeviceOf<SoftU3vDevice>(guid);
    return device && device->RaiseEvent(eventId, data, size);
}

}  // namespace ky::soft
