#include "u3v/SimUsbRegistry.h"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <string>

#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"

namespace ky::u3v {

namespace {

// The soft device library and the base library it stands on, by their sonames: the copies found
// are the ones the program's other SDK libraries were built with (the names come from the build).
constexpr const char *SOFT_DEVICE_LIBRARY = KY_SOFT_DEVICE_LIBRARY;
constexpr const char *BASE_LIBRARY = KY_BASE_LIBRARY;

void LogWarning(const std::string &message)
{
    if (KyLogger *log = KyLogCategories::Find("device")) {
        log->LogWarning(__FILE__, __LINE__, "SimUsbRegistry::LoadDeclarations", message.c_str());
    }
}

// The folder of the object this code is part of (an SDK library), with its final '/'; empty when
// it cannot be told.
std::string OwnFolder()
{
    static const int anchor = 0;
    Dl_info info;
    if (dladdr(&anchor, &info) == 0 || info.dli_fname == nullptr) {
        return std::string();
    }
    const std::string path(info.dli_fname);
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Loads the soft device library, whose loading installs the loader of declared devices into the
// device table of the process's shared base library. First by its soname, searched as this
// library's own dependencies were (LD_LIBRARY_PATH, this library's RUNPATH, the system's), then
// beside this library. The library stays loaded: the devices it plugs live in it.
void LoadSoftDeviceLibrary(const char *declarations)
{
    // A program that holds the SDK in its own code (the internal archives) has no shared base
    // library: the soft device library would bring one, a second SDK whose devices this one
    // never sees.
    void *base = dlopen(BASE_LIBRARY, RTLD_LAZY | RTLD_NOLOAD);
    if (base == nullptr) {
        LogWarning(std::string("KY_U3V_SIM names ") + declarations +
                   ", but this program links the SDK statically and not the soft device library, "
                   "so no declared USB3 Vision device is plugged");
        return;
    }
    dlclose(base);
    if (dlopen(SOFT_DEVICE_LIBRARY, RTLD_NOW | RTLD_LOCAL) != nullptr) {
        return;
    }
    std::string failure = dlerror();
    const std::string folder = OwnFolder();
    if (!folder.empty()) {
        if (dlopen((folder + SOFT_DEVICE_LIBRARY).c_str(), RTLD_NOW | RTLD_LOCAL) != nullptr) {
            return;
        }
        failure += "; ";
        failure += dlerror();
    }
    LogWarning(std::string("KY_U3V_SIM names ") + declarations + ", but the soft device library " +
               SOFT_DEVICE_LIBRARY + " that plugs the declared USB3 Vision devices could not be loaded (" +
               failure + ")");
}

}  // namespace

void SimUsbRegistry::LoadDeclarations()
{
    base::SimUsbDeviceTable &table = base::SimUsbDeviceTable::Instance();
    const char *declarations = std::getenv("KY_U3V_SIM");
    if (declarations != nullptr && *declarations != '\0' && !table.HasDeclarationLoader()) {
        // Tried once per process (per SDK library that links this code).
        static std::once_flag tried;
        std::call_once(tried, LoadSoftDeviceLibrary, declarations);
    }
    table.LoadDeclarations();
}

}  // namespace ky::u3v
