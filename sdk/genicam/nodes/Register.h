// <Register> (and <StructReg> as a whole): a block of device bytes.
#pragma once

#include "nodes/RegisterBase.h"

namespace ky::gc {

class Register : public RegisterBase
{
public:
    using RegisterBase::RegisterBase;
    Interface Kind() const override { return Interface::Register; }

protected:
    // Reads or writes the first length bytes (1 up to the register's length).
    KyResult DoGetBytes(uint8_t *data, int64_t length) override;
    KyResult DoSetBytes(const uint8_t *data, int64_t length) override;
};

}  // namespace ky::gc
