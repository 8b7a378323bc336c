// The multi-part payload of GVSP (payload type 0x000A): several parts in one block, each
// described in the leader and sent in data packets of packet format 7.
//
// Leader body: reserved (2), payload type (2), timestamp (8), then one 48-byte descriptor per
// part, as many as the leader holds:
//   0 data type (16)          2 part length (48)         8 pixel format (32)
//  12 reserved (16)          14 source id (8)           15 additional zones (8)
//  16 zone directions (32)   20 data purpose id (16)    22 region id (16)
//  24 size x (32)            28 size y (32)             32 offset x (32)
//  36 offset y (32)          40 padding x (16)          42 reserved (16)
//  44 data type specific (32)
// Image parts use the geometry fields; a JPEG part carries its flag in byte 24, the timestamp
// tick frequency in bytes 28 to 35 and its data format in bytes 36 to 39; the chunk-data part
// its chunk layout id in bytes 44 to 47. The parts lie one after the other in the block.
// Data packet body: part id (8), zone info (8), offset of the data in the block (48), then the
// data; a packet carries data of one part only, each part starting a packet of its own. With
// extended ids the leader's header counts the parts in the low byte of the 24 bits after the
// packet format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ky/base/KyResult.h"

namespace ky::gev {

constexpr size_t GVSP_MULTIPART_DESCRIPTOR_SIZE = 48;
constexpr size_t GVSP_MULTIPART_INFO_SIZE = 8;
// Part ids are 8 bits.
constexpr size_t GVSP_MULTIPART_MAX_PARTS = 256;
constexpr uint64_t GVSP_MULTIPART_MAX_OFFSET = (uint64_t(1) << 48) - 1;
// Parts a classic multi-part leader describes; a large leader holds as many as its packet size allows.
constexpr uint32_t GVSP_MULTIPART_CLASSIC_MAX_PARTS = 10;

struct GvspPartDescriptor
{
    uint16_t dataType = 0;
    uint64_t length = 0;  // 48 bits on the wire
    uint32_t pixelFormat = 0;
    uint8_t sourceId = 0;
    uint8_t additionalZones = 0;
    uint32_t zoneDirections = 0;
    uint16_t dataPurposeId = 0;
    uint16_t regionId = 0;
    uint32_t sizeX = 0;
    uint32_t sizeY = 0;
    uint32_t offsetX = 0;
    uint32_t offsetY = 0;
    uint16_t paddingX = 0;
    // JPEG parts.
    uint8_t jpegFlag = 0;
    uint64_t tickFrequency = 0;
    uint32_t dataFormat = 0;
    // The chunk-data part.
    uint32_t chunkLayoutId = 0;
    // Where the part starts in the block: the lengths of the parts before it (not on the wire).
    uint64_t blockOffset = 0;
};

struct GvspMultiPartInfo
{
    uint8_t partId = 0;
    uint8_t zoneInfo = 0;
    uint64_t offset = 0;  // of the data in the block, 48 bits
};

// Writes the descriptors after the leader's common fields; false when they do not fit.
bool GvspWritePartDescriptors(uint8_t *buffer, size_t capacity, const std::vector<GvspPartDescriptor> &parts);
// Reads the descriptors of a multi-part leader body (after its 12 common bytes): at least one,
// at most GVSP_MULTIPART_MAX_PARTS, whole; the block offsets are the running sum of the lengths,
// refused when it overflows 64 bits. KY_INVALID_DATA_FORMAT with a description otherwise.
KyResult GvspReadPartDescriptors(const uint8_t *data, size_t length, std::vector<GvspPartDescriptor> &parts);
// Bytes of the block that the parts take (the end of the last); 0 without parts.
uint64_t GvspMultiPartSize(const std::vector<GvspPartDescriptor> &parts);

// Parts whose descriptors fit in one leader of that packet size (IP and UDP headers included),
// counted with the extended GVSP header so that the count holds whichever header is in use; at
// most GVSP_MULTIPART_MAX_PARTS, 0 when the packet holds none.
uint32_t GvspLargeLeaderMaxParts(uint32_t packetSize);

// The 8 bytes at the start of a multi-part data packet body.
bool GvspWriteMultiPartInfo(uint8_t *buffer, size_t capacity, const GvspMultiPartInfo &info);
KyResult GvspParseMultiPartInfo(const uint8_t *body, size_t length, GvspMultiPartInfo &info);

}  // namespace ky::gev
