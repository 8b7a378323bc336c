#include "nodes/Limits.h"

namespace ky::gc {

bool Limits::Take(const tinyxml2::XMLElement &c, Limits &l)
{
    return Node::TakeProperty(c, "Min", "pMin", l.min) || Node::TakeProperty(c, "Max", "pMax", l.max) ||
           Node::TakeProperty(c, "Inc", "pInc", l.inc);
}

KyResult Limits::Link(NodeMap &map, const Node &owner)
{
    KyResult r = min.Link(map, owner, "pMin");
    r |= max.Link(map, owner, "pMax");
    r |= inc.Link(map, owner, "pInc");
    return r;
}

}  // namespace ky::gc
