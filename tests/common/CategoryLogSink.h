// A log sink that keeps each record as "category: message", for tests that check which logger
// category a warning goes to.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ky/base/KyLogSink.h"

struct CategoryLogSink : KyLogSink
{
    std::mutex m;
    std::vector<std::string> records;  // "category: message"
    void Log(KyLogLevelEnum, const char *category, uint32_t, const char *, const char *,
             const char *message) override
    {
        std::lock_guard<std::mutex> lock(m);
        records.push_back(std::string(category) + ": " + message);
    }
};
