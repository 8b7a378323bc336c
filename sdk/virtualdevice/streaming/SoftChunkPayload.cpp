#include "streaming/SoftChunkPayload.h"

#include <cstring>
#include <new>

#include "ky/ByteOrder.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"

namespace ky::soft {

namespace {

constexpr uint32_t TAG_SIZE = 8;  // chunk ID and length

void PutTag(uint8_t *at, uint32_t id, uint32_t length)
{
    ky::base::StoreBig32(at, id);
    ky::base::StoreBig32(at + 4, length);
}

}  // namespace

uint64_t ChunkPayloadSize(const KyImage &image, KyBuffer &buffer)
{
    uint64_t size = uint64_t(image.GetImageSize()) + TAG_SIZE;
    const uint32_t count = buffer.GetChunkCount();
    for (uint32_t i = 0; i < count; ++i) {
        size += uint64_t(buffer.GetChunkSizeByIndex(i)) + TAG_SIZE;
    }
    return size;
}

std::shared_ptr<const std::vector<uint8_t>> MakeChunkPayload(const KyImage &image, KyBuffer &buffer)
{
    const uint64_t size = ChunkPayloadSize(image, buffer);
    if (size > SIZE_MAX || image.GetDataPointer() == nullptr) {
        return nullptr;
    }
    std::shared_ptr<std::vector<uint8_t>> payload;
    try {
        payload = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(size));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    uint8_t *at = payload->data();
    const uint32_t imageSize = image.GetImageSize();
    std::memcpy(at, image.GetDataPointer(), imageSize);
    at += imageSize;
    PutTag(at, KyBuffer::kMainChunkID, imageSize);
    at += TAG_SIZE;
    const uint32_t count = buffer.GetChunkCount();
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t id = 0;
        const uint32_t length = buffer.GetChunkSizeByIndex(i);
        const uint8_t *data = buffer.GetChunkRawDataByIndex(i);
        if (buffer.GetChunkIDByIndex(i, id).IsFailure() || (data == nullptr && length > 0)) {
            return nullptr;
        }
        if (length > 0) {
            std::memcpy(at, data, length);
        }
        at += length;
        PutTag(at, id, length);
        at += TAG_SIZE;
    }
    return payload;
}

}  // namespace ky::soft
