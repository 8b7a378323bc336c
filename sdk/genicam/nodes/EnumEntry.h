// <EnumEntry>: one named value of an enumeration, owned by its Enumeration node.
#pragma once

#include "Node.h"

namespace ky::gc {

class EnumEntry : public Node
{
public:
    using Node::Node;
    Interface Kind() const override { return Interface::EnumEntry; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;
    KyResult Link() override;

    int64_t Value() const { return mValue; }
    // The entry's symbolic name: <Symbolic> when given, else the Name attribute.
    const std::string &Symbolic() const { return mSymbolic.empty() ? Name() : mSymbolic; }

protected:
    KyResult DoGetInt(int64_t &v) override;

private:
    int64_t mValue = 0;
    bool mHasValue = false;
    std::string mSymbolic;
};

}  // namespace ky::gc
