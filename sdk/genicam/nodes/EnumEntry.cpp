#include "nodes/EnumEntry.h"

namespace ky::gc {

bool EnumEntry::ParseChild(const tinyxml2::XMLElement &c)
{
    std::string tag = c.Name();
    if (tag == "Value") {
        mHasValue = ParseInt(Text(c), mValue);
        if (!mHasValue)
            Fail("has a bad Value '" + Text(c) + "'");
        return true;
    }
    if (tag == "Symbolic") {
        mSymbolic = Text(c);
        return true;
    }
    if (tag == "NumericValue" || tag == "IsSelfClearing")
        return true;
    return Node::ParseChild(c);
}

KyResult EnumEntry::Link()
{
    if (!mHasValue)
        return Error(KY_GENICAM_XML_ERROR, "has no Value");
    return Node::Link();
}

KyResult EnumEntry::DoGetInt(int64_t &v)
{
    v = mValue;
    return KyResult();
}

}  // namespace ky::gc
