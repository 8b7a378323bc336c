// <Port>: where registers are read and written. A port with a <ChunkID> reads the
// attached chunk of that id; any other port is the device's port.
#pragma once

#include "Node.h"

namespace ky::gc {

class Port : public Node
{
public:
    using Node::Node;
    Interface Kind() const override { return Interface::Port; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;

    bool IsChunkPort() const { return mIsChunk; }
    KyResult Read(uint64_t address, uint8_t *data, uint32_t length);
    KyResult Write(uint64_t address, const uint8_t *data, uint32_t length);

protected:
    KyResult DoGetAccessMode(KyGenAccessMode &mode) override;

private:
    KyResult ChunkSpan(uint64_t address, uint32_t length, const uint8_t *&data);

    bool mIsChunk = false;
    uint32_t mChunkId = 0;
};

}  // namespace ky::gc
