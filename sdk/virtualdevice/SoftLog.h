// The soft device's log lines: its faults go to the "softdevice" category at Warning, the GVCP
// packets it serves to the "control" category at Debug (see KyLogCategories).
#pragma once

#include "ky/base/KyLogger.h"

namespace ky::soft {

// The "softdevice" category.
KyLogger &SoftDeviceLog();

// A fault of the soft device, as a warning of `where` (a function name).
void SoftLog(const char *where, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Whether the control category shows packets; check it before describing one.
bool SoftTrafficLogEnabled();
void SoftTrafficLog(const char *where, const char *format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace ky::soft
