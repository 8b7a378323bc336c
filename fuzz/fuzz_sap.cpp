// SAP announcements: any datagram read as the session discovery reads what arrives on the SAP
// group. What is read must lie inside the datagram; the directory takes it without fault.
#include <cstdlib>
#include <string>

#include "SessionDiscovery.h"
#include "rtp/SapPacket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ky::rtp::SapMessage message;
    const ky::rtp::SapParseStatus status = ky::rtp::ParseSapPacket(data, size, message);
    if (status != ky::rtp::SapParseStatus::Ok) {
        if (!message.payload.empty() || !message.payloadType.empty())
            std::abort();
        return 0;
    }
    // The payload follows the 8-byte header with an IPv4 origin at the least.
    if (size < 8 || message.payload.size() > size - 8)
        std::abort();
    ky::system::SessionDirectory directory;
    directory.Heard(message, 0x0A000001, {0x0A000001});
    message.deletion = !message.deletion;
    directory.Heard(message, 0x0A000001, {0x0A000001});
    if (directory.Sessions().size() > 1)
        std::abort();
    return 0;
}
