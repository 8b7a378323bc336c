#include "gev/GvspMultiPart.h"

#include <algorithm>
#include <string>

#include "gev/ByteCursor.h"
#include "gev/Gvsp.h"

namespace ky::gev {
namespace {

KyResult Malformed(const std::string &text) { return KyResult(KY_INVALID_DATA_FORMAT, KyString(text)); }

constexpr uint16_t kJpeg = 11;
constexpr uint16_t kJpeg2000 = 12;
constexpr uint16_t kChunkData = 10;

bool IsJpeg(uint16_t dataType) { return dataType == kJpeg || dataType == kJpeg2000; }

}  // namespace

uint32_t GvspLargeLeaderMaxParts(uint32_t packetSize)
{
    const size_t overhead = GVSP_IP_UDP_OVERHEAD_SIZE + GVSP_EXTENDED_HEADER_SIZE + GVSP_LEADER_COMMON_SIZE;
    if (packetSize <= overhead) {
        return 0;
    }
    const size_t parts = (packetSize - overhead) / GVSP_MULTIPART_DESCRIPTOR_SIZE;
    return static_cast<uint32_t>(std::min(parts, GVSP_MULTIPART_MAX_PARTS));
}

bool GvspWritePartDescriptors(uint8_t *buffer, size_t capacity, const std::vector<GvspPartDescriptor> &parts)
{
    ByteWriter w(buffer, capacity);
    for (const GvspPartDescriptor &p : parts) {
        if (p.length > GVSP_MULTIPART_MAX_OFFSET)
            return false;
        w.WriteU16(p.dataType);
        w.WriteU16(static_cast<uint16_t>(p.length >> 32));
        w.WriteU32(static_cast<uint32_t>(p.length));
        w.WriteU32(p.pixelFormat);
        w.WriteU16(0);
        w.WriteU8(p.sourceId);
        w.WriteU8(p.additionalZones);
        w.WriteU32(p.zoneDirections);
        w.WriteU16(p.dataPurposeId);
        w.WriteU16(p.regionId);
        if (IsJpeg(p.dataType)) {
            w.WriteU8(p.jpegFlag);
            w.WriteZeros(3);
            w.WriteU64(p.tickFrequency);
            w.WriteU32(p.dataFormat);
            w.WriteZeros(4);
        } else {
            w.WriteU32(p.sizeX);
            w.WriteU32(p.sizeY);
            w.WriteU32(p.offsetX);
            w.WriteU32(p.offsetY);
            w.WriteU16(p.paddingX);
            w.WriteU16(0);
        }
        w.WriteU32(p.dataType == kChunkData ? p.chunkLayoutId : 0);
    }
    return w.Ok();
}

KyResult GvspReadPartDescriptors(const uint8_t *data, size_t length, std::vector<GvspPartDescriptor> &parts)
{
    const size_t count = length / GVSP_MULTIPART_DESCRIPTOR_SIZE;
    if (count == 0 || length % GVSP_MULTIPART_DESCRIPTOR_SIZE != 0)
        return Malformed("GVSP multi-part leader has " + std::to_string(length) +
                         " bytes of part descriptors, not a whole number of 48-byte descriptors");
    if (count > GVSP_MULTIPART_MAX_PARTS)
        return Malformed("GVSP multi-part leader describes " + std::to_string(count) + " parts, more than " +
                         std::to_string(GVSP_MULTIPART_MAX_PARTS));
    std::vector<GvspPartDescriptor> out(count);
    ByteReader r(data, length);
    uint64_t offset = 0;
    for (size_t i = 0; i < count; ++i) {
        GvspPartDescriptor &p = out[i];
        uint16_t high = 0, reserved16 = 0;
        uint32_t low = 0, specific = 0;
        r.ReadU16(p.dataType);
        r.ReadU16(high);
        r.ReadU32(low);
        r.ReadU32(p.pixelFormat);
        r.ReadU16(reserved16);
        r.ReadU8(p.sourceId);
        r.ReadU8(p.additionalZones);
        r.ReadU32(p.zoneDirections);
        r.ReadU16(p.dataPurposeId);
        r.ReadU16(p.regionId);
        if (IsJpeg(p.dataType)) {
            uint8_t pad[3];
            uint32_t reserved32 = 0;
            r.ReadU8(p.jpegFlag);
            r.ReadBytes(pad, sizeof pad);
            r.ReadU64(p.tickFrequency);
            r.ReadU32(p.dataFormat);
            r.ReadU32(reserved32);
        } else {
            r.ReadU32(p.sizeX);
            r.ReadU32(p.sizeY);
            r.ReadU32(p.offsetX);
            r.ReadU32(p.offsetY);
            r.ReadU16(p.paddingX);
            r.ReadU16(reserved16);
        }
        r.ReadU32(specific);
        if (p.dataType == kChunkData)
            p.chunkLayoutId = specific;
        p.length = (uint64_t(high) << 32) | low;
        p.blockOffset = offset;
        if (__builtin_add_overflow(offset, p.length, &offset))
            return Malformed("GVSP multi-part leader: the part lengths overflow 64 bits at part " +
                             std::to_string(i));
    }
    if (!r.Ok())
        return Malformed("GVSP multi-part leader cut short");
    parts = std::move(out);
    return KyResult();
}

uint64_t GvspMultiPartSize(const std::vector<GvspPartDescriptor> &parts)
{
    return parts.empty() ? 0 : parts.back().blockOffset + parts.back().length;
}

bool GvspWriteMultiPartInfo(uint8_t *buffer, size_t capacity, const GvspMultiPartInfo &info)
{
    if (info.offset > GVSP_MULTIPART_MAX_OFFSET)
        return false;
    ByteWriter w(buffer, capacity);
    return w.WriteU8(info.partId) && w.WriteU8(info.zoneInfo) &&
           w.WriteU16(static_cast<uint16_t>(info.offset >> 32)) &&
           w.WriteU32(static_cast<uint32_t>(info.offset));
}

KyResult GvspParseMultiPartInfo(const uint8_t *body, size_t length, GvspMultiPartInfo &info)
{
    ByteReader r(body, length);
    GvspMultiPartInfo out;
    uint16_t high = 0;
    uint32_t low = 0;
    if (!r.ReadU8(out.partId) || !r.ReadU8(out.zoneInfo) || !r.ReadU16(high) || !r.ReadU32(low))
        return Malformed("GVSP multi-part data packet of " + std::to_string(length) +
                         " bytes is shorter than its 8-byte part information");
    out.offset = (uint64_t(high) << 32) | low;
    info = out;
    return KyResult();
}

}  // namespace ky::gev
