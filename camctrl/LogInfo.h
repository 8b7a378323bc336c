// LogInfo: what one line of a camera's log file says: the operation (or event), its level prefix
// and its message. Records are values; the camera's log writer stamps and appends them.
#pragma once

#include <cstdint>
#include <string>

namespace ky::camctrl {

class LogInfo
{
public:
    // Log kinds; each gives a level prefix (LogType) and a message layout (LogInformation).
    enum Kind : int {
        CALL = 0,         // ST_F()
        CALL_TEXT = 1,    // ST_F() : text(value)
        CALL_VALUE = 2,   // ST_F() : value
        FAILED = 3,       // ST_F() : code (description)(file:line)
        FAILED_TEXT = 4,  // ST_F(text) : code (description)(file:line)
        EVENT = 5,        // event name, Timestamp : t
        SEPARATOR = 6,    // fifty '/'
    };

    LogInfo() = default;
    virtual ~LogInfo() = default;
    LogInfo(const LogInfo &) = default;
    LogInfo &operator=(const LogInfo &) = default;

    // Named makers instead of overloaded constructors, so that a text never turns into a bool.
    static LogInfo Call(const std::string &name, int kind = CALL);
    static LogInfo Value(const std::string &name, const std::string &value, int kind = CALL_VALUE);
    static LogInfo Value(const std::string &name, bool value, int kind = CALL_VALUE);
    static LogInfo Value(const std::string &name, int value, int kind = CALL_VALUE);
    static LogInfo TextValue(const std::string &name, const std::string &text, const std::string &value,
                             int kind = CALL_TEXT);
    static LogInfo TextValue(const std::string &name, const std::string &text, bool value,
                             int kind = CALL_TEXT);
    static LogInfo TextValue(const std::string &name, const std::string &text, int64_t value,
                             int kind = CALL_TEXT);
    static LogInfo TextValue(const std::string &name, const std::string &text, double value,
                             int kind = CALL_TEXT);
    static LogInfo Failure(const std::string &name, const std::string &sourceFile, int line, int code,
                           const std::string &description, int kind = FAILED);
    static LogInfo Failure(const std::string &name, const std::string &sourceFile, int line,
                           const std::string &text, int code, const std::string &description,
                           int kind = FAILED_TEXT);
    static LogInfo Event(int eventId, uint64_t timestamp, int kind = EVENT);

    // The level prefix of the kind, such as " [INFO] - ".
    std::string LogType() const;
    // The message.
    std::string LogInformation() const;
    // The operation's name (the part after its last ':').
    const std::string &Funtion() const { return m_function; }
    int GetKind() const { return m_kind; }

    // The name of a raw device event number, as event lines show it.
    static const char *EventName(int eventId);

private:
    LogInfo(const std::string &name, int kind);

    std::string m_function;
    std::string m_text;
    std::string m_description;
    std::string m_sourceFile;
    int m_line = 0;
    int m_code = 0;
    std::string m_value;
    int m_kind = 0;
    int m_eventId = 0;
    uint64_t m_timestamp = 0;
};

}  // namespace ky::camctrl
