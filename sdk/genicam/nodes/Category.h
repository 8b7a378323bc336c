// <Category>: a named group of features and sub-categories (pFeature).
#pragma once

#include "Node.h"

namespace ky::gc {

class Category : public Node
{
public:
    using Node::Node;
    Interface Kind() const override { return Interface::Category; }
    bool ParseChild(const tinyxml2::XMLElement &child) override;
    KyResult Link() override;
    const std::vector<Node *> &Features() const { return mFeatureNodes; }

private:
    std::vector<Property> mFeatures;
    std::vector<Node *> mFeatureNodes;
};

}  // namespace ky::gc
