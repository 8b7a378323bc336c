// KySystemLib::IPConfig: an IP address and its subnet mask, as plain texts.
#pragma once

#include <string>

namespace KySystemLib {

struct IPConfig
{
    std::string mIPAddress;
    std::string mSubnetMask;
};

}  // namespace KySystemLib
