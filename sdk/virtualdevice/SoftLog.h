// Device log lines, written to standard error when KY_SOFTDEVICE_LOG is set in the environment.
#pragma once

namespace ky::soft {

bool SoftLogEnabled();
void SoftLog(const char *format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace ky::soft
