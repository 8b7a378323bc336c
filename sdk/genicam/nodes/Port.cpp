#include "nodes/Port.h"

#include <cstring>

#include "NodeMap.h"

namespace ky::gc {

bool Port::ParseChild(const tinyxml2::XMLElement &c)
{
    std::string tag = c.Name();
    if (tag == "ChunkID") {
        // Chunk ids are written in hexadecimal, with or without "0x".
        std::string text = Text(c);
        if (text.compare(0, 2, "0x") && text.compare(0, 2, "0X"))
            text = "0x" + text;
        int64_t id = 0;
        if (!ParseInt(text, id) || id < 0 || id > 0xFFFFFFFFLL)
            Fail("has a bad ChunkID '" + Text(c) + "'");
        mChunkId = static_cast<uint32_t>(id);
        mIsChunk = true;
        return true;
    }
    if (tag == "SwapEndianess" || tag == "CacheChunkData")
        return true;
    return Node::ParseChild(c);
}

KyResult Port::DoGetAccessMode(KyGenAccessMode &mode)
{
    mode = mIsChunk ? KyGenAccessModeReadOnly : KyGenAccessModeReadWrite;
    return KyResult();
}

KyResult Port::ChunkSpan(uint64_t address, uint32_t length, const uint8_t *&data)
{
    uint32_t size = 0;
    if (!mMap.FindChunk(mChunkId, data, size))
        return Error(KY_NO_AVAILABLE_DATA, "no chunk with id " + std::to_string(mChunkId) + " is attached");
    if (address > size || length > size - address)
        return Error(KY_INVALID_PARAMETER,
                     "bytes " + std::to_string(address) + ".." + std::to_string(address + length) +
                         " lie outside the chunk of " + std::to_string(size) + " bytes");
    data += address;
    return KyResult();
}

KyResult Port::Read(uint64_t address, uint8_t *data, uint32_t length)
{
    if (mIsChunk) {
        const uint8_t *src = nullptr;
        KyResult r = ChunkSpan(address, length, src);
        if (r.IsOK() && length)
            std::memcpy(data, src, length);
        return r;
    }
    IKyGenPort *port = mMap.DevicePort();
    if (!port)
        return Error(KY_NOT_CONNECTED, "has no device connection");
    return port->ReadPort(address, data, length);
}

KyResult Port::Write(uint64_t address, const uint8_t *data, uint32_t length)
{
    if (mIsChunk)
        return Error(KY_STATE_ERROR, "is a chunk port and cannot be written");
    IKyGenPort *port = mMap.DevicePort();
    if (!port)
        return Error(KY_NOT_CONNECTED, "has no device connection");
    return port->WritePort(address, data, length);
}

}  // namespace ky::gc
