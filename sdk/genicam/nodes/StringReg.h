// <StringReg>: a zero-padded text in a register.
#pragma once

#include "nodes/RegisterBase.h"

namespace ky::gc {

class StringReg : public RegisterBase
{
public:
    using RegisterBase::RegisterBase;
    Interface Kind() const override { return Interface::String; }

protected:
    KyResult DoGetString(std::string &v) override;
    // The text must fit the register; the rest is zero-filled.
    KyResult DoSetString(const std::string &v) override;
    KyResult DoGetMaxLength(int64_t &v) override;
};

}  // namespace ky::gc
