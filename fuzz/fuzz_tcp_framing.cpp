// The TCP framing of GVCP and GVSP packets as a peer could send it: the input is cut into reads of
// sizes the input chooses, and every packet the reader gives must lie within the bytes it was fed
// and within the largest packet; a malformed length ends the connection, as it would.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "FuzzInput.h"
#include "gev/TcpPacketSocket.h"

using namespace ky::gev;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    TcpFrameReader reader;
    uint64_t fed = 0, taken = 0;
    while (input.Left() > 0) {
        size_t piece = input.U16() + 1u;
        const uint8_t *bytes = input.Take(piece);
        size_t capacity = 0;
        uint8_t *room = reader.Room(capacity);
        piece = std::min(piece, capacity);
        std::memcpy(room, bytes, piece);
        reader.Commit(piece);
        fed += piece;
        const uint8_t *packet = nullptr;
        size_t length = 0;
        for (;;) {
            const TcpFrameReader::Result result = reader.Next(packet, length);
            if (result == TcpFrameReader::Result::Malformed)
                return 0;
            if (result == TcpFrameReader::Result::NeedMore)
                break;
            if (length == 0 || length > TCP_MAX_PACKET_SIZE)
                std::abort();
            volatile uint8_t touch = packet[0] ^ packet[length - 1];  // ASan checks both ends
            (void)touch;
            taken += TCP_FRAME_HEADER_SIZE + length;
        }
        if (taken + reader.Buffered() != fed)
            std::abort();
    }
    return 0;
}
