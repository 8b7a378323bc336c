// Device: the camera's own lines in its log file (description lines, operation lines, the
// statistics after AcqStop).
#include <cinttypes>
#include <cstdio>

#include "Device.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "LogFiles.h"

namespace ky::camctrl {

namespace {

std::string Format(const char *format, double value)
{
    char text[512];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Line(const std::string &text)
{
    return Device::GetStringCurrentTime() + " [INFO] - " + text + "\n";
}

}  // namespace

std::string Device::GetStringCurrentTime() { return TimeStamp(); }

bool Device::HasLogFile()
{
    std::lock_guard<std::mutex> lock(m_logMutex);
    return !m_logPath.empty();
}

void Device::DescriptionLines(std::string &lines)
{
    KyGenParameterArray *parameters = m_device->GetParameters();
    KyGenParameterArray *communication = m_device->GetCommunicationParameters();
    // Each read is the camera's last result in turn; a flag that cannot be read shows false, a
    // number 0.
    const auto flag = [this](KyGenParameterArray *array, const char *name) {
        bool value = false;
        if (SetResult(array->GetBooleanValue(name, value)) != 0)
            value = false;
        return std::string(value ? "true" : "false");
    };
    const auto integer = [this, parameters](const char *name) {
        int64_t value = 0;
        if (SetResult(parameters->GetIntegerValue(name, value)) != 0)
            value = 0;
        return std::to_string(value);
    };
    const auto entry = [this, parameters](const char *name) {
        KyString value;
        if (SetResult(parameters->GetEnumValue(name, value)) != 0)
            value = KyString();
        return value.str();
    };
    const auto trigger = [&] {
        const std::string mode = entry("TriggerMode");
        const std::string source = entry("TriggerSource");
        return Line("Trigger Mode(" + mode + "), Trigger Source(" + source + ")");
    };
    const auto exposure = [&] {
        double value = 0;
        if (SetResult(parameters->GetFloatValue("ExposureTime", value)) != 0)
            value = 0;
        return Line("Exposure Time(" + Format("%.2f", value) + ")");
    };

    if (m_device->GetType() == KyDeviceTypeGEV) {
        const auto *info = dynamic_cast<const KyDeviceInfoGEV *>(m_deviceInfo.get());
        if (info)
            lines += Line("IP Configuration : " + info->GetIPConfigCurrentString().str() + "(" +
                          info->GetIPAddress().str() + ", " + info->GetSubnetMask().str() + ", " +
                          info->GetDefaultGateway().str() + ")");
        lines += Line("Heartbeat Disable(" + flag(parameters, "GevGVCPHeartbeatDisable") + ")");
        const std::string negotiation = flag(communication, "AutoNegotiation");
        const std::string packetSize = integer("GevSCPSPacketSize");
        const std::string packetDelay = integer("GevSCPD");
        lines += Line("Automatic Packet Size Negotiation(" + negotiation + "), Packe Size(" + packetSize +
                      "), Packet Delay(" + packetDelay + ")");
        lines += trigger();
        lines += exposure();
        lines += SeparatorLine() + "\n";
    } else if (m_device->GetType() == KyDeviceTypeU3V) {
        KyString speed;
        if (SetResult(communication->GetEnumValue("ConnectionSpeed", speed)) != 0)
            speed = KyString();
        lines += Line("Speed(" + speed.str() + ")");
        lines += trigger();
        lines += exposure();
        lines += SeparatorLine() + "\n";
    }
}

void Device::CreateLogFile(const std::string &path)
{
    if (!Connected())
        return;
    std::string lines;
    DescriptionLines(lines);
    std::lock_guard<std::mutex> lock(m_logMutex);
    m_logPath = path;
    // A file that cannot be written drops the lines, as every log line does.
    (void)AppendToFile(path, lines);
}

void Device::WriteLogFile(const LogInfo &record)
{
    std::lock_guard<std::mutex> lock(m_logMutex);
    if (m_logPath.empty())
        return;
    std::string lines = GetStringCurrentTime() + record.LogType() + record.LogInformation() + "\n";
    if (record.Funtion() == "AcqStop" && m_stream) {
        // Statistics of the stream; these reads leave the last result alone, and a value that
        // cannot be read shows 0.
        KyGenParameterArray *statistics = m_stream->GetParameters();
        int64_t blocks = 0, errors = 0, sampling = 0;
        double rate = 0, bandwidth = 0;
        if (!statistics->GetIntegerValue("BlockCount", blocks).IsOK())
            blocks = 0;
        if (!statistics->GetIntegerValue("ErrorCount", errors).IsOK())
            errors = 0;
        if (!statistics->GetIntegerValue("SamplingTime", sampling).IsOK())
            sampling = 0;
        if (!statistics->GetFloatValue("AcquisitionRate", rate).IsOK())
            rate = 0;
        if (!statistics->GetFloatValue("Bandwidth", bandwidth).IsOK())
            bandwidth = 0;
        // No block yet: no error rate to speak of, shown as 0 rather than inf or nan.
        const double errorRate =
            blocks == 0 ? 0.0 : static_cast<double>(errors * 100) / static_cast<double>(blocks);
        lines +=
            Line("Acquired Count : " + std::to_string(blocks) + ", Error Count : " + std::to_string(errors) +
                 ", Error Rate : " + Format("%.3f", errorRate) + "%");
        lines += Line("Acquired Time : " + Format("%.2f", static_cast<double>(sampling) / 1000.0) +
                      "(s), AcquisitionRate : " + Format("%.2f", rate) +
                      "(fps), Bandwidth Count : " + Format("%.2f", bandwidth / 1000000.0) + "(MB/s)");
    }
    (void)AppendToFile(m_logPath, lines);
}

}  // namespace ky::camctrl
