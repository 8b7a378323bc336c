// U3vStreamFormat: the USB3 Vision stream on the wire. A block (one image) is a leader transfer,
// payload transfers and a trailer transfer on the stream pipe, all little-endian. The leader
// names the block id and the image (pixel format, size, offsets, padding, time stamp); the trailer
// repeats the block id and gives the status, the payload bytes actually sent and the lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ky::u3v {

constexpr uint32_t U3V_LEADER_MAGIC = 0x4C563355;   // "U3VL"
constexpr uint32_t U3V_TRAILER_MAGIC = 0x54563355;  // "U3VT"
constexpr uint16_t U3V_PAYLOAD_TYPE_IMAGE = 0x0001;
constexpr size_t U3V_IMAGE_LEADER_SIZE = 52;
constexpr size_t U3V_IMAGE_TRAILER_SIZE = 32;
constexpr uint16_t U3V_TRAILER_STATUS_SUCCESS = 0x0000;

struct U3vImageLeader
{
    uint64_t blockId = 0;
    uint64_t timestamp = 0;
    uint32_t pixelFormat = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t offsetX = 0;
    uint32_t offsetY = 0;
    uint16_t paddingX = 0;
};

struct U3vImageTrailer
{
    uint64_t blockId = 0;
    uint16_t status = U3V_TRAILER_STATUS_SUCCESS;
    uint64_t validPayloadSize = 0;
    uint32_t height = 0;  // lines actually sent
};

enum class U3vStreamError {
    Ok,
    NotThisKind,    // another magic: not a leader (or trailer)
    TooShort,       // shorter than the size it claims, or than the fixed part
    BadSize,        // the size field is smaller than the fixed part or larger than the transfer
    UnknownPayload  // a leader of a payload type this receiver does not take
};

void BuildImageLeader(const U3vImageLeader &leader, std::vector<uint8_t> &out);
void BuildImageTrailer(const U3vImageTrailer &trailer, std::vector<uint8_t> &out);
U3vStreamError ParseImageLeader(const uint8_t *data, size_t size, U3vImageLeader &leader);
U3vStreamError ParseImageTrailer(const uint8_t *data, size_t size, U3vImageTrailer &trailer);
// Whether a transfer starts with the leader or trailer magic (at least 4 bytes long).
bool IsLeader(const uint8_t *data, size_t size);
bool IsTrailer(const uint8_t *data, size_t size);

}  // namespace ky::u3v
