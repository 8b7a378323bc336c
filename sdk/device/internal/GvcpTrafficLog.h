// The host's GVCP traffic in the "control" log category: each packet sent or received, at Debug.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gev/Gvcp.h"
#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"

namespace ky {
namespace device {

inline KyLogger &ControlLog()
{
    static KyLogger &log = *KyLogCategories::Find("control");
    return log;
}

// Shows a GVCP packet in the control log; described only when that log asks for debug detail.
inline void DumpGvcp(const char *what, const uint8_t *data, size_t size)
{
    KyLogger &log = ControlLog();
    if (log.IsEnabled(KyLogLevelDebug))
        log.LogDebug(nullptr, 0, what, gev::DescribeGvcp(data, size).c_str());
}

}  // namespace device
}  // namespace ky
