// The device's first URL register, which tells where its GenICam description is:
// "Local:<file name>;<address hex>;<length hex>[?SchemaVersion=...]", "File:..." or "http://...".
#pragma once

#include <cstdint>
#include <string>

namespace ky {
namespace device {

struct GenICamUrl
{
    bool local = false;     // stored in device memory at address/length
    std::string fileName;   // the last path component (or the Local: name)
    uint64_t address = 0;
    uint64_t length = 0;
};

// The register's bytes up to the first NUL. False for an empty or malformed text.
bool ParseGenICamUrl(const std::string &text, GenICamUrl &url);

}  // namespace device
}  // namespace ky
