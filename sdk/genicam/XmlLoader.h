// Builds the nodes of a NodeMap from GenICam XML text.
#pragma once

#include <memory>
#include <string>

#include "ky/base/KyResult.h"

namespace ky::gc {

class Node;
class NodeMap;

// Parses the document and adds one node per known element (through the tag table).
// Unknown elements are logged and stand in as unsupported nodes. Malformed XML,
// a missing root, nameless or duplicate nodes give KY_GENICAM_XML_ERROR.
KyResult LoadNodes(NodeMap &map, const std::string &xml);

}  // namespace ky::gc
