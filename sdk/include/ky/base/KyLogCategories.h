// KyLogCategories: the SDK's log categories by name, one KyLogger each, and their levels.
//
// The names are fixed, in lower case:
//   system      adapters and discovery (KySystem)
//   device      devices and their connections (KyDevice)
//   control     GVCP traffic: the commands and acknowledges of the client, of discovery and of
//               the soft device
//   stream      streams, pipelines, and the GVSP packets the receiver takes
//   genicam     the node map
//   softdevice  the soft device's own faults
//   display     the display thread
// Every category starts at Info. KY_LOG in the environment, read when a category is first used,
// sets their levels: KY_LOG=control=debug,stream=debug ("all" names every category; levels are
// debug, info, warning, error, critical; an item that cannot be read is named on standard error
// and changes nothing). While KY_LOG is set and the program has registered no sink of its own,
// records go to standard error (see KyLogDispatcher).
//
// Threading: every call may be made from any thread.
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
    /// The logger of a category, which lives as long as the process; null when the name (lower case, as listed) is not one of them.
    static KyLogger *Find(const char *name);

    /// Sets the least severe level a category still writes; false, changing nothing, when the name is not known or the level is not one of the five.
    ///
    /// @param[in] name a category name, or "all"
    /// @param[in] level a KyLogLevelEnum value other than KyLogLevelUnknown
    static bool SetLevel(const char *name, int32_t level);

    /// Applies a list of `name=level` items separated by commas, as KY_LOG is written (blanks around names and levels and the case of letters do not matter; empty items are skipped).
    ///
    /// An item that cannot be read changes nothing; the others still apply.
    ///
    /// @return true when every item was read (false for null)
    static bool Configure(const char *text);
};
