// KyLogCategories: the SDK's log categories by name, one KyLogger each, and their levels.
//
// The names are fixed:
//   system      adapters and discovery (KySystem)
//   device      devices and their connections (KyDevice)
//   control     GVCP traffic: commands and acknowledges of the client and of the soft device
//   stream      streams, pipelines and GVSP packets on the receiver
//   genicam     the node map
//   softdevice  the soft device's own faults
//   display     the display thread
// Every category starts at Info. KY_LOG in the environment, read when a category is first used,
// raises or lowers them: KY_LOG=control=debug,stream=debug ("all" names every category; levels
// are debug, info, warning, error, critical).
#pragma once

#include "ky/base/KyBaseExport.h"

#include <cstddef>
#include <cstdint>

#include "ky/base/KyLogger.h"

class KY_BASE_API KyLogCategories
{
public:
    /// How many categories there are.
    static size_t Count();
    /// The name of category `index` (null when index >= Count()).
    static const char *Name(size_t index);
    /// The logger of a category; null when the name (lower case, as listed) is not one of them.
    static KyLogger *Find(const char *name);

    /// Sets the least severe level a category still writes; false when the name is not known.
    /// @param name a category name, or "all"
    /// @param level a KyLogLevelEnum value
    static bool SetLevel(const char *name, int32_t level);

    /// Applies a list of `name=level` items separated by commas, as KY_LOG is written.
    /// Items that cannot be read are skipped; the others still apply.
    /// @return true when every item was read
    static bool Configure(const char *text);
};
