// The soft device's log lines: its faults go to the "softdevice" category at Warning, the GVCP
// packets it serves to the "control" category at Debug (see KyLogCategories).
#pragma once

void SoftLog(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Whether the control category shows packets; check it before describing one.
bool SoftTrafficLogEnabled();
void SoftTrafficLog(const char *format, ...) __attribute__((format(printf, 1, 2)));
