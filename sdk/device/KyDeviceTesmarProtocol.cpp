#include "ky/device/KyDeviceTesmarProtocol.h"

#include <arpa/inet.h>

#include <cstdio>
#include <string>

namespace {

bool IsMac(const std::string &text)
{
    unsigned int bytes[6];
    char extra = 0;
    return text.size() == 17 && std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &bytes[0], &bytes[1],
                                            &bytes[2], &bytes[3], &bytes[4], &bytes[5], &extra) == 6;
}

bool IsIPv4(const std::string &text)
{
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

}  // namespace

KyResult KyDeviceTesmarProtocol::SetIPConfiguration(const KyString &aMACAddress, const KyString &aIP,
                                                    const KyString &aSubnetMask, const KyString &aGateway)
{
    if (!IsMac(aMACAddress.GetAscii())) {
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("not a MAC address: '" + std::string(aMACAddress.GetAscii()) + "'"));
    }
    for (const KyString *address : {&aIP, &aSubnetMask, &aGateway}) {
        if (!IsIPv4(address->GetAscii())) {
            return KyResult(KY_INVALID_PARAMETER,
                            KyString("not an IPv4 address: '" + std::string(address->GetAscii()) + "'"));
        }
    }
    // No Tesmar-protocol device can be reached by this kit, so none answers to the address.
    return KyResult(KY_NOT_FOUND,
                    KyString("no Tesmar-protocol device answers to " + std::string(aMACAddress.GetAscii())));
}
