// A node property given either as a literal (<Value>) or as another node's name (<pValue>).
// One piece of code resolves both forms for every node kind.
#pragma once

#include <cstdint>
#include <string>

#include "ky/base/KyResult.h"

namespace ky::gc {

class Node;
class NodeMap;

class Property
{
public:
    void SetLiteral(const std::string &text)
    {
        mText = text;
        mIsReference = false;
        mIsSet = true;
    }
    void SetReference(const std::string &name)
    {
        mText = name;
        mIsReference = true;
        mIsSet = true;
    }

    bool IsSet() const { return mIsSet; }
    bool IsReference() const { return mIsReference; }
    Node *Target() const { return mTarget; }
    const std::string &Text() const { return mText; }

    // Finds the referenced node; a name that the map does not hold is an XML error.
    KyResult Link(NodeMap &map, const Node &owner, const char *what);

    // Reads the literal (decimal or 0x hex) or the referenced node's value.
    KyResult GetInt(const Node &owner, int64_t &value) const;
    KyResult GetFloat(const Node &owner, double &value) const;
    KyResult GetString(const Node &owner, std::string &value) const;
    // A literal holds the value on the host; a reference writes the node.
    KyResult SetInt(const Node &owner, int64_t value);
    KyResult SetFloat(const Node &owner, double value);
    KyResult SetString(const Node &owner, const std::string &value);

private:
    std::string mText;
    bool mIsReference = false;
    bool mIsSet = false;
    Node *mTarget = nullptr;
};

// Literal parsing shared by properties and the XML loader.
bool ParseInt(const std::string &text, int64_t &value);
bool ParseFloat(const std::string &text, double &value);

}  // namespace ky::gc
