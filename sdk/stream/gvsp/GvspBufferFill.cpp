#include "gvsp/GvspBufferFill.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "ky/buffer/KyBuffer.h"
#include "ky/base/KyEnums.h"

namespace ky::gev {
namespace {

KyPayloadType PayloadTypeOf(const gev::GvspLeader &leader)
{
    const uint16_t base = leader.BaseType();
    if (base >= KyPayloadTypeImage && base <= KyPayloadTypeMultiPart)
        return static_cast<KyPayloadType>(base);
    return KyPayloadTypeUndefined;
}

bool CarriesImage(const gev::GvspLeader &leader)
{
    const uint16_t base = leader.BaseType();
    return base == static_cast<uint16_t>(gev::GvspPayloadType::Image) ||
           base == static_cast<uint16_t>(gev::GvspPayloadType::ExtendedChunkData);
}

bool CarriesChunks(const gev::GvspLeader &leader)
{
    const uint16_t base = leader.BaseType();
    return leader.ExtendedChunk() || base == static_cast<uint16_t>(gev::GvspPayloadType::ChunkData) ||
           base == static_cast<uint16_t>(gev::GvspPayloadType::ExtendedChunkData);
}

uint32_t Clamp32(uint64_t value) { return static_cast<uint32_t>(std::min<uint64_t>(value, UINT32_MAX)); }

KyBufferPacketStatistics StatisticsOf(const gev::GvspBlockStats &s)
{
    KyBufferPacketStatistics out;
    out.PacketsRecovered = s.packetsRecovered;
    out.ResendGroupRequested = s.resendGroupsRequested;
    out.ResendPacketRequested = s.resendPacketsRequested;
    out.LostPackets = s.packetsLost;
    out.IgnoredPackets = s.packetsIgnored;
    out.RedundantPackets = s.packetsRedundant;
    out.PacketsOutOfOrder = s.packetsOutOfOrder;
    return out;
}

KyMultiPartDataType DataTypeOf(uint16_t aWire)
{
    return aWire <= KyMultiPartJPEG2000Image ? static_cast<KyMultiPartDataType>(aWire) : KyMultiPartInvalid;
}

// Describes the parts of a multi-part block to the buffer's container, each checked against the
// bytes that arrived.
KyResult DescribeParts(const gev::GvspLeader &leader, KyBuffer &buffer)
{
    std::vector<KyMultiPartDescriptor> parts(leader.parts.size());
    uint64_t offset = 0;  // each part starts where the one before it ends
    for (size_t i = 0; i < parts.size(); ++i) {
        const gev::GvspPartDescriptor &w = leader.parts[i];
        KyMultiPartDescriptor &d = parts[i];
        d.DataType = DataTypeOf(w.dataType);
        d.Offset = offset;
        d.Length = w.length;
        if (__builtin_add_overflow(offset, w.length, &offset))
            return KyResult(KY_INVALID_DATA_FORMAT, "[GVSP] the multi-part leader's part lengths overflow");
        d.PixelType = static_cast<KyPixelType>(w.pixelFormat);
        d.Width = w.sizeX;
        d.Height = w.sizeY;
        d.OffsetX = w.offsetX;
        d.OffsetY = w.offsetY;
        d.PaddingX = w.paddingX;
        d.JPEGFlag = w.jpegFlag;
        d.TimestampTickFrequency = w.tickFrequency;
        d.DataFormat = w.dataFormat;
        d.ChunkLayoutID = w.chunkLayoutId;
        d.SourceID = w.sourceId;
        d.DataPurposeID = w.dataPurposeId;
        d.RegionID = w.regionId;
        d.AdditionalZones = w.additionalZones;
        d.ZoneDirectionMask = w.zoneDirections;
    }
    return buffer.MultiPartContainer().SetReceivedParts(parts.data(), static_cast<uint32_t>(parts.size()),
                                                        buffer.GetAcquiredSize());
}

}  // namespace

void FillBufferFromBlock(const gev::GvspCompletedBlock &block, KyBuffer &buffer)
{
    buffer.BeginAcquisition();
    KyResult result = block.Result();
    if (block.leaderReceived) {
        const gev::GvspLeader &leader = block.leader;
        buffer.SetPayloadType(PayloadTypeOf(leader));
        (void)buffer.SetTimestamp(leader.timestamp);  // a plain setter: cannot fail
        if (CarriesImage(leader) && buffer.GetImage() != nullptr) {
            KyResult geometry = buffer.GetImage()->SetGeometry(
                static_cast<KyPixelType>(leader.pixelFormat), leader.sizeX, leader.sizeY, leader.offsetX,
                leader.offsetY, leader.paddingX, leader.paddingY);
            if (geometry.IsFailure() && result.IsOK())
                result = geometry;
        }
    }
    (void)buffer.SetBlockID(block.blockId);  // a plain setter: cannot fail
    buffer.SetExtendedID(gev::NeedsExtendedId(block.blockId));
    buffer.SetHeaderValid(block.leaderReceived);
    buffer.SetTrailerValid(block.trailerReceived);
    // Clamped to the buffer, so the setter cannot refuse it.
    (void)buffer.SetAcquiredSize(Clamp32(std::min<uint64_t>(block.filledSize, buffer.GetSize())));
    const uint64_t announced = block.leaderReceived ? block.leader.ExpectedPayloadSize() : 0;
    buffer.SetRequiredSize(Clamp32(std::max<uint64_t>(block.payloadSize, announced)));
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    (void)buffer.SetReceptionTime(
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
    buffer.SetPacketStatistics(StatisticsOf(block.stats));
    for (const gev::GvspMissingRange &range : block.missing)
        buffer.AddMissingPacketIds(range.first, range.last);
    if (result.IsOK() && block.leaderReceived && buffer.GetPayloadType() == KyPayloadTypeMultiPart) {
        KyResult parts = DescribeParts(block.leader, buffer);
        if (parts.IsFailure())
            result = parts;
    }
    if (result.IsOK() && block.leaderReceived && CarriesChunks(block.leader)) {
        KyResult chunks = buffer.ParseChunks();
        if (chunks.IsFailure())
            result = chunks;
    }
    buffer.SetOperationResult(result);
}

}  // namespace ky::gev
