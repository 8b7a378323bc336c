// <IntReg> and <MaskedIntReg>: an integer stored in 1 to 8 bytes of a register, whole
// or in a bit field (LSB..MSB, or one Bit). In big-endian registers bit 0 is the most
// significant bit, as GenICam numbers them.
#pragma once

#include "nodes/RegisterBase.h"

namespace ky::gc {

class IntReg : public RegisterBase
{
public:
    IntReg(NodeMap &map, const char *tag, bool masked) : RegisterBase(map, tag), mMasked(masked) { }
    Interface Kind() const override { return Interface::Integer; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;

protected:
    KyResult DoGetInt(int64_t &v) override;
    KyResult DoSetInt(int64_t v) override;
    // The range that the field can hold.
    KyResult DoGetIntMin(int64_t &v) override;
    KyResult DoGetIntMax(int64_t &v) override;

private:
    // Shift and width of the field in a register of the given length.
    KyResult Field(int64_t length, int &shift, int &width);

    bool mMasked;
    int64_t mLsb = -1, mMsb = -1;
};

}  // namespace ky::gc
