// RegisterBase: what every register node shares: address (Address, pAddress, pIndex),
// length, port, access mode, byte order, and reading and writing through the cache.
#pragma once

#include "Node.h"
#include "ky/ByteOrder.h"

namespace ky::gc {

class Port;

class RegisterBase : public Node
{
public:
    using Node::Node;
    static constexpr int64_t kMaxLength = 16 * 1024 * 1024;

    bool ParseChild(const tinyxml2::XMLElement &child) override;
    KyResult Link() override;
    void ValueReferences(std::vector<const Property *> &out) const override;
    bool IsValueCached() override;

    KyResult Address(uint64_t &address);
    KyResult RegisterLength(int64_t &length);

protected:
    KyResult DoGetAccessMode(KyGenAccessMode &mode) override;
    KyResult DoGetLength(int64_t &v) override;
    // The register's bytes, from the cache when it still holds them.
    KyResult ReadRaw(std::vector<uint8_t> &bytes);
    // Writes length bytes (at most the register's length) at the register's address.
    KyResult WriteRaw(const uint8_t *data, int64_t length);
    bool BigEndian() const { return mEndianness == KyGenEndiannessBig; }
    base::Endian Order() const { return BigEndian() ? base::Endian::Big : base::Endian::Little; }
    bool Signed() const { return mSign == KyGenSignSigned; }

private:
    bool Cacheable() const;
    uint64_t InvalidatorStamp() const;

    std::vector<Property> mAddresses;
    Property mIndex, mOffset, mLength, mPortRef;
    int64_t mIndexOffset = 1;
    KyGenAccessMode mAccess = KyGenAccessModeReadOnly;
    KyGenEndianness mEndianness = KyGenEndiannessLittle;
    KyGenSign mSign = KyGenSignUnsigned;
    Port *mPort = nullptr;
};

}  // namespace ky::gc
