// The process-wide list of serial echo sinks, and the guarded calls into them.
#pragma once

#include <cstdint>
#include <functional>

#include "ky/base/KyResult.h"

class KyDeviceSerialPortEchoSink;

namespace ky::serial {

KyResult AddEchoSink(KyDeviceSerialPortEchoSink *sink);
KyResult RemoveEchoSink(KyDeviceSerialPortEchoSink *sink);
// Calls `call` for each registered sink, on a copy of the list, with no lock held.
void ForEachEchoSink(const char *what, const std::function<void(KyDeviceSerialPortEchoSink &)> &call);

}  // namespace ky::serial
