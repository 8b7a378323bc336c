// <String>: a text feature held on the host (<Value>) or in a StringReg (<pValue>).
#pragma once

#include "nodes/ValueNode.h"

namespace ky::gc {

class String : public ValueNode
{
public:
    using ValueNode::ValueNode;
    Interface Kind() const override { return Interface::String; }
    static constexpr int64_t kHostMaxLength = 4096;

protected:
    KyResult DoGetString(std::string &v) override;
    KyResult DoSetString(const std::string &v) override;
    KyResult DoGetMaxLength(int64_t &v) override;
};

}  // namespace ky::gc
