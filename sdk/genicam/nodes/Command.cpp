#include "nodes/Command.h"

#include "NodeMap.h"

namespace ky::gc {

bool Command::ParseChild(const tinyxml2::XMLElement &c)
{
    return TakeProperty(c, "CommandValue", "pCommandValue", mCommandValue) || ValueNode::ParseChild(c);
}

KyResult Command::Link()
{
    KyResult r = ValueNode::Link();
    r |= mCommandValue.Link(mMap, *this, "pCommandValue");
    if (r.IsOK() && !mCommandValue.IsSet())
        return Error(KY_GENICAM_XML_ERROR, "has no CommandValue");
    return r;
}

void Command::ValueReferences(std::vector<const Property *> &out) const
{
    ValueNode::ValueReferences(out);
    out.push_back(&mCommandValue);
}

// A command is executed (written); reading its register is only for IsDone.
KyResult Command::DoGetAccessMode(KyGenAccessMode &mode)
{
    KyResult r = ValueNode::DoGetAccessMode(mode);
    if (mode == KyGenAccessModeReadWrite)
        mode = KyGenAccessModeWriteOnly;
    return r;
}

KyResult Command::DoExecute()
{
    int64_t v = 0;
    KyResult r = mCommandValue.GetInt(*this, v);
    return r.IsOK() ? WithValue([&](Property &p) { return p.SetInt(*this, v); }) : r;
}

KyResult Command::DoIsDone(bool &done)
{
    done = true;
    Property *value = nullptr;
    KyResult r = Current(value);
    Node *target = value ? value->Target() : nullptr;
    if (!r.IsOK() || !target)
        return r;
    KyGenAccessMode mode;
    r = target->GetAccessMode(mode);
    if (!r.IsOK() || mode == KyGenAccessModeWriteOnly)
        return r;  // nothing to read back
    int64_t v = 0, command = 0;
    ++mMap.BypassCache();
    r = target->GetInt(v);
    --mMap.BypassCache();
    if (r.IsOK())
        r = mCommandValue.GetInt(*this, command);
    if (r.IsOK())
        done = v != command;
    return r;
}

}  // namespace ky::gc
