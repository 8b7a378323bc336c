#include "SerialEchoSinks.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "ky/Guarded.h"
#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"
#include "ky/serial/KyDeviceSerialPort.h"
#include "ky/serial/KyDeviceSerialPortEchoSink.h"

namespace ky::serial {

namespace {

std::mutex &SinksMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<KyDeviceSerialPortEchoSink *> &Sinks()
{
    static std::vector<KyDeviceSerialPortEchoSink *> sinks;
    return sinks;
}

}  // namespace

KyResult AddEchoSink(KyDeviceSerialPortEchoSink *sink)
{
    if (!sink) {
        return KyResult(KY_INVALID_PARAMETER, "null echo sink");
    }
    std::lock_guard<std::mutex> lock(SinksMutex());
    auto &sinks = Sinks();
    if (std::find(sinks.begin(), sinks.end(), sink) != sinks.end()) {
        return KyResult(KY_INVALID_PARAMETER, "the echo sink is registered already");
    }
    sinks.push_back(sink);
    return KyResult(KY_OK);
}

KyResult RemoveEchoSink(KyDeviceSerialPortEchoSink *sink)
{
    if (!sink) {
        return KyResult(KY_INVALID_PARAMETER, "null echo sink");
    }
    std::lock_guard<std::mutex> lock(SinksMutex());
    auto &sinks = Sinks();
    auto found = std::find(sinks.begin(), sinks.end(), sink);
    if (found == sinks.end()) {
        return KyResult(KY_NOT_FOUND, "the echo sink is not registered");
    }
    sinks.erase(found);
    return KyResult(KY_OK);
}

void ForEachEchoSink(const char *what, const std::function<void(KyDeviceSerialPortEchoSink &)> &call)
{
    std::vector<KyDeviceSerialPortEchoSink *> sinks;
    {
        std::lock_guard<std::mutex> lock(SinksMutex());
        sinks = Sinks();
    }
    for (KyDeviceSerialPortEchoSink *sink : sinks) {
        ky::base::Guarded(nullptr, what, [&] { call(*sink); });
    }
}

}  // namespace ky::serial

KyDeviceSerialPortEchoSink::~KyDeviceSerialPortEchoSink() = default;
void KyDeviceSerialPortEchoSink::OnDataSent(KyDeviceSerialPort *, const uint8_t *, uint32_t) { }
void KyDeviceSerialPortEchoSink::OnDataReceived(KyDeviceSerialPort *, const uint8_t *, uint32_t) { }
void KyDeviceSerialPortEchoSink::OnReadComplete(KyDeviceSerialPort *) { }
