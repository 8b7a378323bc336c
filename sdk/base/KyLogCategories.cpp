#include "ky/base/KyLogCategories.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ky/Guarded.h"

namespace {

const char *const NAMES[] = {"system", "device", "control", "stream", "genicam", "softdevice", "display"};
constexpr size_t COUNT = sizeof(NAMES) / sizeof(NAMES[0]);

// The item without surrounding blanks, in lower case.
std::string Plain(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t");
    std::string plain = text.substr(first, last - first + 1);
    for (char &c : plain)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return plain;
}

bool ParseLevel(const std::string &text, int32_t &level)
{
    static const struct
    {
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

struct Registry
{
    KyLogger *loggers[COUNT];

    // KY_LOG applies once, here. An item it cannot read leaves its category as it was and is
    // named on standard error, so that a misspelt category does not pass unnoticed.
    Registry()
    {
        for (size_t i = 0; i < COUNT; ++i)
            loggers[i] = new KyLogger(KyString(NAMES[i]));
        if (const char *text = std::getenv("KY_LOG")) {
            std::string refused;
            if (!Configure(text, &refused)) {
                std::fprintf(
                    stderr,
                    "KY_LOG: cannot read '%s' (items are category=level; categories: system, device, "
                    "control, stream, genicam, softdevice, display, all; levels: debug, info, warning, "
                    "error, critical)\n",
                    refused.c_str());
            }
        }
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
        if (level < KyLogLevelInfo || level > KyLogLevelDebug)
            return false;  // not a level: the category stays as it is
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

    // Applies every item it can read; the first it cannot goes to `refused` (when given).
    bool Configure(const char *text, std::string *refused)
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
            const std::string raw = all.substr(start, end - start);
            start = end + 1;
            const std::string item = Plain(raw);
            if (item.empty())
                continue;
            const size_t equals = item.find('=');
            int32_t level = KyLogLevelInfo;
            if (equals == std::string::npos || !ParseLevel(Plain(item.substr(equals + 1)), level) ||
                !SetLevel(Plain(item.substr(0, equals)).c_str(), level)) {
                if (allRead && refused != nullptr)
                    *refused = raw;
                allRead = false;
            }
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

bool KyLogCategories::Configure(const char *text)
{
    // Out of memory for the copy of the text reads as "not read".
    return ky::base::Guarded(
        nullptr, "KyLogCategories::Configure", [text] { return Categories().Configure(text, nullptr); },
        false);
}
