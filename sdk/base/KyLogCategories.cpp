#include "ky/base/KyLogCategories.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char *const NAMES[] = {"system", "device", "control", "stream", "genicam", "softdevice", "display"};
constexpr size_t COUNT = sizeof(NAMES) / sizeof(NAMES[0]);

bool ParseLevel(const std::string &text, int32_t &level)
{
    static const struct {
        const char *name;
        KyLogLevelEnum level;
    } LEVELS[] = {{"debug", KyLogLevelDebug},
                  {"info", KyLogLevelInfo},
                  {"warning", KyLogLevelWarning},
                  {"error", KyLogLevelError},
                  {"critical", KyLogLevelCritical}};
    for (const auto &l : LEVELS) {
        if (text == l.name) {
            level = l.level;
            return true;
        }
    }
    return false;
}

struct Registry {
    KyLogger *loggers[COUNT];

    // KY_LOG applies once, here; an item it cannot read leaves its category at Info.
    Registry()
    {
        for (size_t i = 0; i < COUNT; ++i)
            loggers[i] = new KyLogger(KyString(NAMES[i]));
        if (const char *text = std::getenv("KY_LOG"))
            (void)Configure(text);
    }

    KyLogger *Find(const char *name)
    {
        if (name == nullptr)
            return nullptr;
        for (size_t i = 0; i < COUNT; ++i) {
            if (std::strcmp(name, NAMES[i]) == 0)
                return loggers[i];
        }
        return nullptr;
    }

    bool SetLevel(const char *name, int32_t level)
    {
        if (name != nullptr && std::strcmp(name, "all") == 0) {
            for (KyLogger *logger : loggers)
                logger->SetLogPriority(level);
            return true;
        }
        KyLogger *logger = Find(name);
        if (logger == nullptr)
            return false;
        logger->SetLogPriority(level);
        return true;
    }

    bool Configure(const char *text)
    {
        if (text == nullptr)
            return false;
        bool allRead = true;
        const std::string all(text);
        size_t start = 0;
        while (start <= all.size()) {
            size_t end = all.find(',', start);
            if (end == std::string::npos)
                end = all.size();
            const std::string item = all.substr(start, end - start);
            start = end + 1;
            if (item.empty())
                continue;
            const size_t equals = item.find('=');
            int32_t level = KyLogLevelInfo;
            if (equals == std::string::npos || !ParseLevel(item.substr(equals + 1), level) ||
                !SetLevel(item.substr(0, equals).c_str(), level))
                allRead = false;
        }
        return allRead;
    }
};

// Never destroyed: records may still be logged while static objects are torn down.
Registry &Categories()
{
    static Registry *registry = new Registry;
    return *registry;
}

}  // namespace

size_t KyLogCategories::Count() { return COUNT; }

const char *KyLogCategories::Name(size_t index) { return index < COUNT ? NAMES[index] : nullptr; }

KyLogger *KyLogCategories::Find(const char *name) { return Categories().Find(name); }

bool KyLogCategories::SetLevel(const char *name, int32_t level) { return Categories().SetLevel(name, level); }

bool KyLogCategories::Configure(const char *text) { return Categories().Configure(text); }
