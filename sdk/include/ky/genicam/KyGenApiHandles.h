// Opaque handles to the node map and its nodes, for code that works below the typed
// parameters (GetNode, GetNodeMap). They have no operations of their own.
#pragma once

#define KY_GENAPI_NS KyGenApi

namespace KY_GENAPI_NS {

class INode
{
protected:
    ~INode() = default;
};

class INodeMap
{
protected:
    ~INodeMap() = default;
};

}  // namespace KY_GENAPI_NS
