#include "nodes/Category.h"

namespace ky::gc {

bool Category::ParseChild(const tinyxml2::XMLElement &c)
{
    if (std::string(c.Name()) != "pFeature")
        return Node::ParseChild(c);
    mFeatures.emplace_back();
    mFeatures.back().SetReference(Text(c));
    return true;
}

KyResult Category::Link()
{
    KyResult r = Node::Link();
    for (Property &p : mFeatures) {
        r |= p.Link(mMap, *this, "pFeature");
        if (p.Target())
            mFeatureNodes.push_back(p.Target());
    }
    return r;
}

}  // namespace ky::gc
