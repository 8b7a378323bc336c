// <Enumeration>: an integer value chosen among named entries.
#pragma once

#include <memory>

#include "nodes/EnumEntry.h"
#include "nodes/ValueNode.h"

namespace ky::gc {

class Enumeration : public ValueNode
{
public:
    using ValueNode::ValueNode;
    Interface Kind() const override { return Interface::Enumeration; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;
    KyResult Link() override;

    const std::vector<std::unique_ptr<EnumEntry>> &Entries() const { return mEntries; }
    EnumEntry *EntryByName(const std::string &name) const;
    EnumEntry *EntryByValue(int64_t value) const;
    // The current entry; an error when the value matches no entry.
    KyResult CurrentEntry(EnumEntry *&entry);
    // Writes the entry's value after checking that the entry can be chosen now.
    KyResult SelectEntry(EnumEntry &entry);

protected:
    KyResult DoGetInt(int64_t &v) override;
    KyResult DoSetInt(int64_t v) override;
    KyResult DoGetString(std::string &v) override;
    KyResult DoSetString(const std::string &v) override;

private:
    std::vector<std::unique_ptr<EnumEntry>> mEntries;
};

}  // namespace ky::gc
