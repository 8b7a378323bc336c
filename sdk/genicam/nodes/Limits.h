// Min/pMin, Max/pMax and Inc/pInc of an Integer or Float node.
#pragma once

#include <vector>

#include "Node.h"

namespace ky::gc {

struct Limits
{
    Property min, max, inc;

    static bool Take(const tinyxml2::XMLElement &child, Limits &limits);
    KyResult Link(NodeMap &map, const Node &owner);
    void ValueReferences(std::vector<const Property *> &out) const
    {
        out.insert(out.end(), {&min, &max, &inc});
    }
};

}  // namespace ky::gc
