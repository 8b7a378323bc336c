#include "LogInfo.h"

#include <cinttypes>
#include <cstdio>

namespace ky::camctrl {

namespace {

std::string AfterLastColon(const std::string &name)
{
    const size_t colon = name.rfind(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

const char *BoolText(bool value) { return value ? "true" : "false"; }

}  // namespace

LogInfo::LogInfo(const std::string &name, int kind) : m_function(AfterLastColon(name)), m_kind(kind) { }

LogInfo LogInfo::Call(const std::string &name, int kind) { return LogInfo(name, kind); }

LogInfo LogInfo::Value(const std::string &name, const std::string &value, int kind)
{
    LogInfo info(name, kind);
    info.m_value = value;
    return info;
}

LogInfo LogInfo::Value(const std::string &name, bool value, int kind)
{
    return Value(name, std::string(BoolText(value)), kind);
}

LogInfo LogInfo::Value(const std::string &name, int value, int kind)
{
    return Value(name, std::to_string(value), kind);
}

LogInfo LogInfo::TextValue(const std::string &name, const std::string &text, const std::string &value,
                           int kind)
{
    LogInfo info(name, kind);
    info.m_text = text;
    info.m_value = value;
    return info;
}

LogInfo LogInfo::TextValue(const std::string &name, const std::string &text, bool value, int kind)
{
    return TextValue(name, text, std::string(BoolText(value)), kind);
}

LogInfo LogInfo::TextValue(const std::string &name, const std::string &text, int64_t value, int kind)
{
    char number[32];
    std::snprintf(number, sizeof number, "%" PRId64, value);
    return TextValue(name, text, std::string(number), kind);
}

LogInfo LogInfo::TextValue(const std::string &name, const std::string &text, double value, int kind)
{
    char number[512];  // "%f" of the largest double has 309 digits before the point
    std::snprintf(number, sizeof number, "%f", value);
    return TextValue(name, text, std::string(number), kind);
}

LogInfo LogInfo::Failure(const std::string &name, const std::string &sourceFile, int line, int code,
                         const std::string &description, int kind)
{
    LogInfo info(name, kind);
    info.m_sourceFile = sourceFile;
    info.m_line = line;
    info.m_code = code;
    info.m_description = description;
    return info;
}

LogInfo LogInfo::Failure(const std::string &name, const std::string &sourceFile, int line,
                         const std::string &text, int code, const std::string &description, int kind)
{
    LogInfo info = Failure(name, sourceFile, line, code, description, kind);
    info.m_text = text;
    return info;
}

LogInfo LogInfo::Event(int eventId, uint64_t timestamp, int kind)
{
    LogInfo info(std::string(), kind);
    info.m_eventId = eventId;
    info.m_timestamp = timestamp;
    return info;
}

std::string LogInfo::LogType() const
{
    switch (m_kind) {
    case CALL:
    case CALL_TEXT:
    case CALL_VALUE:
    case SEPARATOR:
        return " [INFO] - ";
    case FAILED:
    case FAILED_TEXT:
        return " [ERROR] - ";
    case EVENT:
        return " [EVENT] - ";
    default:
        return " [UNKNOWN] - ";
    }
}

const char *LogInfo::EventName(int eventId)
{
    switch (eventId) {
    case 4:
        return "Exposure End";
    case 5:
        return "Acquisition Transfer Start";
    case 6:
        return "Acquisition Transfer End";
    case 16:
        return "Device Disconnect";
    case 0x5005:
        return "Over_Trigger Start Missed";
    case 0x5006:
        return "Over Trigger End_missed";
    case 0x5007:
        return "Trigger Start";
    case 0x501E:
        return "Warning Temperature State";
    case 0x501F:
        return "Critical Temperature State";
    case 0x8002:
        return "Over Trigger";
    default:
        return "Undefined event";
    }
}

std::string LogInfo::LogInformation() const
{
    const std::string f = "ST_" + AfterLastColon(m_function);
    const auto failure = [this] {
        return std::to_string(m_code) + " (" + m_description + ")(" + m_sourceFile + ":" +
               std::to_string(m_line) + ")";
    };
    switch (m_kind) {
    case CALL:
        return f + "()";
    case CALL_TEXT:
        return f + "() : " + m_text + (m_value.empty() ? std::string() : "(" + m_value + ")");
    case CALL_VALUE:
        return f + "() : " + m_value;
    case FAILED:
        return f + "() : " + failure();
    case FAILED_TEXT:
        return f + "(" + m_text + ") : " + failure();
    case EVENT:
        return std::string(EventName(m_eventId)) + ", Timestamp : " + std::to_string(m_timestamp);
    case SEPARATOR:
        return std::string(50, '/');
    default:
        return std::string();
    }
}

}  // namespace ky::camctrl
