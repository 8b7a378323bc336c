// <FloatReg>: an IEEE 754 float of 4 or 8 bytes in a register.
#pragma once

#include "nodes/RegisterBase.h"

namespace ky::gc {

class FloatReg : public RegisterBase
{
public:
    using RegisterBase::RegisterBase;
    Interface Kind() const override { return Interface::Float; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;

protected:
    KyResult DoGetFloat(double &v) override;
    KyResult DoSetFloat(double v) override;

private:
    KyResult CheckLength(int64_t &length);
};

}  // namespace ky::gc
