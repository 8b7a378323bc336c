// GVCP codecs: every command and acknowledge parser, the header parsers and the log dump take
// any datagram. A message that parses and builds again must parse again to the same length.
#include <cstdlib>

#include "gev/Gvcp.h"

namespace {

using namespace ky::gev;

template <typename Message>
void RoundTrip(const uint8_t *data, size_t size)
{
    Message message;
    if (Parse(data, size, message) != CodecError::Ok)
        return;
    Packet again;
    if (Build(message, again) != CodecError::Ok)
        return;
    Message reparsed;
    if (Parse(again.data(), again.size(), reparsed) != CodecError::Ok)
        std::abort();  // our builder made what our parser refuses
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CommandHeader command;
    (void)ParseCommandHeader(data, size, command);
    AckHeader ack;
    (void)ParseAckHeader(data, size, ack);
    DiscoveryInfo info;
    (void)ParseDiscoveryPayload(data, size, info);
    (void)DescribeGvcp(data, size);
#define KY_FUZZ_ROUND_TRIP(Type) RoundTrip<Type>(data, size);
    KY_GEV_MESSAGE_LIST(KY_FUZZ_ROUND_TRIP)
#undef KY_FUZZ_ROUND_TRIP
    return 0;
}
