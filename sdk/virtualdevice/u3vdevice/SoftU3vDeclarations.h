// SoftU3vDeclarations: soft USB3 Vision devices declared in a file, and the one entry point by
// which programs of the kit (softcam, benchmarks, tests) plug soft USB3 Vision devices.
//
// The file named by the environment variable KY_U3V_SIM is read once per process, when the SDK
// first enumerates devices or connects to one by GUID: loading this library installs the reader
// as the simulated USB table's loader of declared devices (the client libraries load the library
// for it when KY_U3V_SIM is set). One device per line:
//
//   GUID [serial=TEXT] [model=TEXT] [vendor=TEXT] [version=TEXT] [user-name=TEXT]
//        [width=N] [height=N] [pixel-format=NAME] [fps=RATE] [speed=low|full|high|super] [zip-xml]
//
// GUID is 12 hexadecimal digits; values hold no spaces; blank lines and lines starting with '#'
// are skipped. A line that cannot be used is logged with its number and skipped.
//
// Simulated USB is in-process: the devices a process sees are those declared or plugged in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ky/base/KyResult.h"
#include "ky/virtualdevice/KyVirtualDeviceExport.h"
#include "u3vdevice/SoftU3vSettings.h"

namespace ky::soft {

class KY_VIRTUALDEVICE_API SoftU3vDeclarations
{
public:
    // Installs the reader of the KY_U3V_SIM file as the simulated USB table's loader of declared
    // devices. Loading the shared library does it; a program that links the archive calls it or
    // any other member of this class (until the first enumeration has run the loader).
    static void InstallLoader();
    // Plugs every device the file declares; `plugged` counts them. KY_FILE_ERROR when the file
    // cannot be read; otherwise the first line's failure, if any (the other lines still count).
    static KyResult LoadFile(const std::string &path, size_t &plugged);
    // One line of the file. `isDevice` is false for a blank or comment line.
    static KyResult ParseLine(const std::string &line, SoftU3vSettings &settings, bool &isDevice);
    // Builds, starts and plugs one soft device (see SoftU3vDevice::Plug).
    static KyResult Plug(const SoftU3vSettings &settings);
    // Unplugs the device of the GUID (KY_NOT_FOUND when none).
    static KyResult Unplug(const std::string &guid);
    // Has the device of the GUID raise an event (see SoftU3vDevice::RaiseEvent); false when no
    // such device is plugged, its notification is off or the event could not go out.
    static bool RaiseEvent(const std::string &guid, uint16_t eventId, const uint8_t *data, size_t size);
};

}  // namespace ky::soft
