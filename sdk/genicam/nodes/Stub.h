// Stand-in for an element of a kind this node map does not know: references to it
// resolve, and any use of it reports that it is not supported.
#pragma once

#include "Node.h"

namespace ky::gc {

class Stub : public Node
{
public:
    Stub(NodeMap &map, const std::string &tag) : Node(map, "unsupported node"), mKindTag(tag) { }
    Interface Kind() const override { return Interface::None; }
    const std::string &KindTag() const { return mKindTag; }
    bool ParseChild(const tinyxml2::XMLElement &) override { return true; }

protected:
    KyResult DoGetAccessMode(KyGenAccessMode &mode) override
    {
        mode = KyGenAccessModeNotImplemented;
        return KyResult();
    }

private:
    std::string mKindTag;
};

}  // namespace ky::gc
