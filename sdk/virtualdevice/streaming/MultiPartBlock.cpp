#include "streaming/MultiPartBlock.h"

#include <cstring>
#include <string>

#include "ky/buffer/KyBuffer.h"

namespace ky::soft {

using namespace ky::gev;

KyResult DescribeMultiPartBlock(KyBuffer &buffer, GvspOutgoingBlock &block, std::vector<uint8_t> &storage)
{
    IKyMultiPartContainer *container = buffer.GetMultiPartContainer();
    if (container == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("the buffer is not a multi-part buffer"));
    KyResult valid = container->Validate();
    if (valid.IsFailure())
        return valid;
    const uint32_t count = container->GetPartCount();
    if (count > GVSP_MULTIPART_MAX_PARTS)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString(std::to_string(count) + " parts are too many to send"));
    block.leader.payloadType = static_cast<uint16_t>(GvspPayloadType::MultiPart);
    block.leader.parts.assign(count, GvspPartDescriptor());
    uint64_t total = container->GetTotalEffectiveSize();
    storage.resize(static_cast<size_t>(total));
    uint64_t offset = 0;
    for (uint32_t i = 0; i < count; ++i) {
        IKyMultiPartSection &section = *container->GetPart(i);
        GvspPartDescriptor &d = block.leader.parts[i];
        d.dataType = static_cast<uint16_t>(section.GetDataType());
        d.length = section.GetEffectiveSize();
        d.blockOffset = offset;
        d.sourceId = static_cast<uint8_t>(section.GetSourceID());
        d.dataPurposeId = static_cast<uint16_t>(section.GetDataPurposeID());
        d.regionId = static_cast<uint16_t>(section.GetRegionID());
        d.additionalZones = static_cast<uint8_t>(section.GetAdditionalZones());
        d.zoneDirections = section.GetZoneDirectionMask();
        if (IKyImage *image = section.GetImage()) {
            d.pixelFormat = static_cast<uint32_t>(image->GetPixelType());
            d.sizeX = image->GetWidth();
            d.sizeY = image->GetHeight();
            d.offsetX = image->GetOffsetX();
            d.offsetY = image->GetOffsetY();
            d.paddingX = image->GetPaddingX();
        } else if (IKyImageJPEG *jpeg = section.GetJPEG()) {
            d.jpegFlag = jpeg->GetFlag();
            d.tickFrequency = jpeg->GetTimestampTickFrequency();
            d.dataFormat = jpeg->GetDataFormat();
        } else if (IKyChunkData *chunks = section.GetChunkData()) {
            d.chunkLayoutId = chunks->GetChunkLayoutID();
        }
        if (d.length > 0)
            std::memcpy(storage.data() + offset, section.GetDataPointer(), static_cast<size_t>(d.length));
        offset += d.length;
    }
    block.data = storage.data();
    block.size = storage.size();
    return KyResult();
}

}  // namespace ky::soft
