#include "u3v/SimUsbRegistry.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <mutex>
#include <string>

#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"

namespace ky::u3v {

namespace {

// The soft device library by its soname, so that the copy found is the one the program's other
// SDK libraries were built with (KY_SOFT_DEVICE_LIBRARY comes from the build).
constexpr const char *SOFT_DEVICE_LIBRARY = KY_SOFT_DEVICE_LIBRARY;

void LogWarning(const std::string &message)
{
    if (KyLogger *log = KyLogCategories::Find("device")) {
        log->LogWarning(__FILE__, __LINE__, "SimUsbRegistry::LoadDeclarations", message.c_str());
    }
}

// The link map of the object this code is part of: a shared SDK library, or the program itself
// when it links the SDK's archives.
struct link_map *OwnObject()
{
    static const int anchor = 0;
    Dl_info info;
    struct link_map *map = nullptr;
    if (dladdr1(&anchor, &info, reinterpret_cast<void **>(&map), RTLD_DL_LINKMAP) == 0) {
        return nullptr;
    }
    return map;
}

bool IsMainProgram(struct link_map *object)
{
    void *program = dlopen(nullptr, RTLD_LAZY);
    struct link_map *map = nullptr;
    const bool found = program != nullptr && dlinfo(program, RTLD_DI_LINKMAP, &map) == 0;
    if (program != nullptr) {
        dlclose(program);
    }
    return found && map == object;
}

// Loads the soft device library, whose loading installs the loader of declared devices. First by
// its soname, searched as this library's own dependencies were (LD_LIBRARY_PATH, this library's
// RUNPATH, the system's), then beside this library. The library stays loaded: the devices it
// plugs live in it.
void LoadSoftDeviceLibrary(const char *declarations)
{
    struct link_map *self = OwnObject();
    if (self != nullptr && IsMainProgram(self)) {
        LogWarning(std::string("KY_U3V_SIM names ") + declarations +
                   ", but this program links the SDK statically and not the soft device library, "
                   "so no declared USB3 Vision device is plugged");
        return;
    }
    if (dlopen(SOFT_DEVICE_LIBRARY, RTLD_NOW | RTLD_LOCAL) != nullptr) {
        return;
    }
    std::string failure = dlerror();
    if (self != nullptr && self->l_name != nullptr) {
        std::string beside(self->l_name);
        const size_t slash = beside.rfind('/');
        if (slash != std::string::npos) {
            beside = beside.substr(0, slash + 1) + SOFT_DEVICE_LIBRARY;
            if (dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL) != nullptr) {
                return;
            }
            failure += "; ";
            failure += dlerror();
        }
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
