#include "u3v/U3vStreamFormat.h"

#include "u3v/LittleEndian.h"

namespace ky::u3v {

namespace {

bool HasMagic(const uint8_t *data, size_t size, uint32_t magic)
{
    return data != nullptr && size >= 4 && Le32(data) == magic;
}

// Checks the magic and the size field against the transfer; the fixed part must be there.
U3vStreamError OpenPrefix(const uint8_t *data, size_t size, uint32_t magic, size_t fixedSize)
{
    if (!HasMagic(data, size, magic)) {
        return U3vStreamError::NotThisKind;
    }
    if (size < 8) {
        return U3vStreamError::TooShort;
    }
    const uint16_t declared = Le16(data + 6);
    if (declared < fixedSize || declared > size) {
        return U3vStreamError::BadSize;
    }
    return U3vStreamError::Ok;
}

}  // namespace

bool IsLeader(const uint8_t *data, size_t size) { return HasMagic(data, size, U3V_LEADER_MAGIC); }
bool IsTrailer(const uint8_t *data, size_t size) { return HasMagic(data, size, U3V_TRAILER_MAGIC); }

void BuildImageLeader(const U3vImageLeader &leader, std::vector<uint8_t> &out)
{
    out.assign(U3V_IMAGE_LEADER_SIZE, 0);
    uint8_t *p = out.data();
    PutLe32(p, U3V_LEADER_MAGIC);
    PutLe16(p + 6, static_cast<uint16_t>(U3V_IMAGE_LEADER_SIZE));
    PutLe64(p + 8, leader.blockId);
    PutLe16(p + 18, U3V_PAYLOAD_TYPE_IMAGE);
    PutLe64(p + 20, leader.timestamp);
    PutLe32(p + 28, leader.pixelFormat);
    PutLe32(p + 32, leader.width);
    PutLe32(p + 36, leader.height);
    PutLe32(p + 40, leader.offsetX);
    PutLe32(p + 44, leader.offsetY);
    PutLe16(p + 48, leader.paddingX);
}

void BuildImageTrailer(const U3vImageTrailer &trailer, std::vector<uint8_t> &out)
{
    out.assign(U3V_IMAGE_TRAILER_SIZE, 0);
    uint8_t *p = out.data();
    PutLe32(p, U3V_TRAILER_MAGIC);
    PutLe16(p + 6, static_cast<uint16_t>(U3V_IMAGE_TRAILER_SIZE));
    PutLe64(p + 8, trailer.blockId);
    PutLe16(p + 16, trailer.status);
    PutLe64(p + 20, trailer.validPayloadSize);
    PutLe32(p + 28, trailer.height);
}

U3vStreamError ParseImageLeader(const uint8_t *data, size_t size, U3vImageLeader &leader)
{
    U3vStreamError error = OpenPrefix(data, size, U3V_LEADER_MAGIC, U3V_IMAGE_LEADER_SIZE);
    if (error != U3vStreamError::Ok) {
        return error;
    }
    if (Le16(data + 18) != U3V_PAYLOAD_TYPE_IMAGE) {
        return U3vStreamError::UnknownPayload;
    }
    leader.blockId = Le64(data + 8);
    leader.timestamp = Le64(data + 20);
    leader.pixelFormat = Le32(data + 28);
    leader.width = Le32(data + 32);
    leader.height = Le32(data + 36);
    leader.offsetX = Le32(data + 40);
    leader.offsetY = Le32(data + 44);
    leader.paddingX = Le16(data + 48);
    return U3vStreamError::Ok;
}

U3vStreamError ParseImageTrailer(const uint8_t *data, size_t size, U3vImageTrailer &trailer)
{
    U3vStreamError error = OpenPrefix(data, size, U3V_TRAILER_MAGIC, U3V_IMAGE_TRAILER_SIZE);
    if (error != U3vStreamError::Ok) {
        return error;
    }
    trailer.blockId = Le64(data + 8);
    trailer.status = Le16(data + 16);
    trailer.validPayloadSize = Le64(data + 20);
    trailer.height = Le32(data + 28);
    return U3vStreamError::Ok;
}

}  // namespace ky::u3v
