#include "nodes/Enumeration.h"

#include "NodeMap.h"

namespace ky::gc {

bool Enumeration::ParseChild(const tinyxml2::XMLElement &c)
{
    if (std::string(c.Name()) != "EnumEntry")
        return ValueNode::ParseChild(c);
    auto entry = std::make_unique<EnumEntry>(mMap, "EnumEntry");
    KyResult r = entry->Load(c);
    if (!r.IsOK())
        Fail(r.GetDescription().str());
    else if (EntryByName(entry->Symbolic()))
        Fail("has two entries named '" + entry->Symbolic() + "'");
    else
        mEntries.push_back(std::move(entry));
    return true;
}

KyResult Enumeration::Link()
{
    KyResult r = ValueNode::Link();
    for (auto &e : mEntries)
        r |= e->Link();
    return r;
}

EnumEntry *Enumeration::EntryByName(const std::string &name) const
{
    for (auto &e : mEntries)
        if (e->Symbolic() == name || e->Name() == name)
            return e.get();
    return nullptr;
}

EnumEntry *Enumeration::EntryByValue(int64_t value) const
{
    for (auto &e : mEntries)
        if (e->Value() == value)
            return e.get();
    return nullptr;
}

KyResult Enumeration::DoGetInt(int64_t &v)
{
    return WithValue([&](Property &p) { return p.GetInt(*this, v); });
}

KyResult Enumeration::CurrentEntry(EnumEntry *&entry)
{
    int64_t v = 0;
    KyResult r = DoGetInt(v);
    if (!r.IsOK())
        return r;
    entry = EntryByValue(v);
    if (!entry)
        return Error(KY_NOT_FOUND, "value " + std::to_string(v) + " matches no entry");
    return r;
}

KyResult Enumeration::SelectEntry(EnumEntry &entry)
{
    bool yes = false;
    KyResult r = entry.IsImplemented(yes);
    if (r.IsOK() && !yes)
        return Error(KY_NOT_IMPLEMENTED, "entry " + entry.Symbolic() + " is not implemented");
    if (r.IsOK())
        r = entry.IsAvailable(yes);
    if (r.IsOK() && !yes)
        return Error(KY_STATE_ERROR, "entry " + entry.Symbolic() + " is not available");
    return r.IsOK() ? WithValue([&](Property &p) { return p.SetInt(*this, entry.Value()); }) : r;
}

KyResult Enumeration::DoSetInt(int64_t v)
{
    EnumEntry *entry = EntryByValue(v);
    if (!entry)
        return Error(KY_INVALID_PARAMETER, std::to_string(v) + " is the value of no entry");
    return SelectEntry(*entry);
}

KyResult Enumeration::DoGetString(std::string &v)
{
    EnumEntry *entry = nullptr;
    KyResult r = CurrentEntry(entry);
    if (r.IsOK())
        v = entry->Symbolic();
    return r;
}

KyResult Enumeration::DoSetString(const std::string &v)
{
    EnumEntry *entry = EntryByName(v);
    if (!entry)
        return Error(KY_INVALID_PARAMETER, "has no entry named '" + v + "'");
    return SelectEntry(*entry);
}

}  // namespace ky::gc
