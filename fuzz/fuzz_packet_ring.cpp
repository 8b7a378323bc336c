// The packet ring's datagram parser: any bytes as a captured IPv4 datagram, with and without
// the kernel's checksum check. The payload it gives must lie inside what was captured.
#include <cstdlib>

#include "gvsp/GvspPacketRing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool checked = data[0] & 1;
    const uint8_t *ip = data + 1;
    const size_t captured = size - 1;
    const uint8_t *payload = nullptr;
    size_t length = 0;
    if (ky::gev::GvspPacketRing::ParseDatagram(ip, captured, checked, payload, length)) {
        if (payload < ip || payload > ip + captured || length > static_cast<size_t>(ip + captured - payload))
            std::abort();
    }
    return 0;
}
