// Node: what every GenICam node has (name, texts, visibility, availability, access) and the
// capability hooks that the node kinds fill in. The public entry points (GetInt, SetInt, ...)
// guard against reference cycles and deep chains once, then call the kind's hook.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <tinyxml2.h>

#include "ky/base/KyEnums.h"
#include "ky/genicam/KyGenApiHandles.h"
#include "ky/base/KyResult.h"
#include "Property.h"

class KyGenParameter;

namespace ky::gc {

class NodeMap;

// Which capability a node offers to the typed parameters.
enum class Interface {
    None,
    Integer,
    Float,
    Boolean,
    Command,
    Enumeration,
    String,
    Register,
    Category,
    EnumEntry,
    Port
};

class Node : public KyGenApi::INode
{
public:
    Node(NodeMap &map, const char *tag);
    virtual ~Node();
    Node(const Node &) = delete;
    Node &operator=(const Node &) = delete;

    // Reads a literal-or-pointer property from a child (<Value> or <pValue>, ...).
    static bool TakeProperty(const tinyxml2::XMLElement &child, const char *literal, const char *pointer,
                             Property &p);
    static std::string Text(const tinyxml2::XMLElement &child);

    // Loading: attributes and children of the node's element, then references.
    // inherited: a parent element whose children apply first (a StructReg for its entries).
    KyResult Load(const tinyxml2::XMLElement &element, const tinyxml2::XMLElement *inherited = nullptr);
    // Applies one child element; false when the kind does not know it.
    virtual bool ParseChild(const tinyxml2::XMLElement &child);
    virtual KyResult Link();
    // Properties through which reading this node reads other nodes (for the cycle check).
    virtual void ValueReferences(std::vector<const Property *> &out) const;

    const std::string &Name() const { return mName; }
    const char *Tag() const { return mTag; }
    virtual Interface Kind() const = 0;
    // "[Name] " for messages.
    std::string Prefix() const { return "[" + mName + "] "; }
    KyResult Error(uint32_t code, const std::string &message) const;

    const std::string &ToolTip() const { return mToolTip; }
    const std::string &Description() const { return mDescription; }
    const std::string &DisplayName() const { return mDisplayName.empty() ? mName : mDisplayName; }
    KyGenVisibility Visibility() const { return mVisibility; }
    KyGenNameSpace NameSpace() const { return mNameSpace; }
    bool Streamable() const { return mStreamable; }
    KyGenCache Cachable() const { return mCachable; }
    int64_t PollingTime() const { return mPollingTime; }

    // Availability and access, computed from pIsImplemented, pIsAvailable, pIsLocked,
    // the kind's own access and ImposedAccessMode. A failure to evaluate them is returned.
    KyResult GetAccessMode(KyGenAccessMode &mode);
    KyResult IsImplemented(bool &yes);
    KyResult IsAvailable(bool &yes);
    // OK, or why the node cannot be read (written) now, starting with the node name.
    KyResult CheckReadable();
    KyResult CheckWritable();
    // Whether a read comes from the host (cache or host value) rather than the device.
    virtual bool IsValueCached();

    // Capability entry points.
    KyResult GetInt(int64_t &v);
    KyResult SetInt(int64_t v);
    KyResult GetIntMin(int64_t &v);
    KyResult GetIntMax(int64_t &v);
    KyResult GetIntInc(int64_t &v);
    KyResult GetFloat(double &v);
    KyResult SetFloat(double v);
    KyResult GetFloatMin(double &v);
    KyResult GetFloatMax(double &v);
    // hasInc is false when the node has no increment.
    KyResult GetFloatInc(double &v, bool &hasInc);
    KyResult GetString(std::string &v);
    KyResult SetString(const std::string &v);
    KyResult GetMaxLength(int64_t &v);
    KyResult GetBool(bool &v);
    KyResult SetBool(bool v);
    KyResult Execute();
    KyResult IsDone(bool &done);
    KyResult GetBytes(uint8_t *data, int64_t length);
    KyResult SetBytes(const uint8_t *data, int64_t length);
    KyResult GetLength(int64_t &v);
    KyGenRepresentation Representation() const { return mRepresentation; }
    const std::string &Unit() const { return mUnit; }

    // Change count: bumped by every successful write to this node; caches compare it.
    uint64_t ChangeCount() const { return mChangeCount; }

    // Relations filled by the map after linking.
    const std::vector<Node *> &Invalidators() const { return mInvalidators; }
    const std::vector<Node *> &Selected() const { return mSelected; }
    std::vector<Node *> &Selecting() { return mSelecting; }
    std::vector<Node *> &Dependents() { return mDependents; }
    std::vector<Node *> &Invalidates() { return mInvalidates; }

    // The public parameter that shows this node, if any (set by the parameter array).
    KyGenParameter *Feature() const { return mFeature; }
    void SetFeature(KyGenParameter *feature) { mFeature = feature; }

protected:
    // Kind hooks; the defaults refuse with "not a ..." errors.
    virtual KyResult DoGetAccessMode(KyGenAccessMode &mode);
    virtual KyResult DoGetInt(int64_t &v);
    virtual KyResult DoSetInt(int64_t v);
    virtual KyResult DoGetIntMin(int64_t &v);
    virtual KyResult DoGetIntMax(int64_t &v);
    virtual KyResult DoGetIntInc(int64_t &v);
    virtual KyResult DoGetFloat(double &v);
    virtual KyResult DoSetFloat(double v);
    virtual KyResult DoGetFloatMin(double &v);
    virtual KyResult DoGetFloatMax(double &v);
    virtual KyResult DoGetFloatInc(double &v, bool &hasInc);
    virtual KyResult DoGetString(std::string &v);
    virtual KyResult DoSetString(const std::string &v);
    virtual KyResult DoGetMaxLength(int64_t &v);
    virtual KyResult DoGetBool(bool &v);
    virtual KyResult DoSetBool(bool v);
    virtual KyResult DoExecute();
    virtual KyResult DoIsDone(bool &done);
    virtual KyResult DoGetBytes(uint8_t *data, int64_t length);
    virtual KyResult DoSetBytes(const uint8_t *data, int64_t length);
    virtual KyResult DoGetLength(int64_t &v);

    KyResult NotA(const char *what) const;
    // Records a load error (the first one wins).
    void Fail(const std::string &message);
    // Parses an enumerated text through a table; failure records a load error.
    template <typename E, size_t N>
    bool ParseChoice(const tinyxml2::XMLElement &child, const std::pair<const char *, E> (&table)[N], E &out);
    // Marks a successful write.
    KyResult Written(const KyResult &result);

    NodeMap &mMap;

private:
    friend class NodeMap;
    const char *mTag;
    std::string mName;
    std::string mToolTip, mDescription, mDisplayName, mUnit;
    KyGenRepresentation mRepresentation = KyGenRepresentationUndefined;
    KyGenVisibility mVisibility = KyGenVisibilityBeginner;
    KyGenNameSpace mNameSpace = KyGenNameSpaceCustom;
    KyGenAccessMode mImposed = KyGenAccessModeReadWrite;
    KyGenCache mCachable = KyGenCacheWriteThrough;
    bool mStreamable = false;
    int64_t mPollingTime = 0;
    Property mIsImplemented, mIsAvailable, mIsLocked;
    std::vector<Property> mSelectedProps, mInvalidatorProps;
    std::vector<Node *> mSelected, mSelecting, mInvalidators, mInvalidates, mDependents;
    std::string mLoadError;
    uint64_t mChangeCount = 0;
    KyGenParameter *mFeature = nullptr;
};

template <typename E, size_t N>
bool Node::ParseChoice(const tinyxml2::XMLElement &child, const std::pair<const char *, E> (&table)[N],
                       E &out)
{
    std::string text = Text(child);
    for (const auto &entry : table) {
        if (text == entry.first) {
            out = entry.second;
            return true;
        }
    }
    Fail(std::string("has an unknown ") + child.Name() + " '" + text + "'");
    return false;
}

}  // namespace ky::gc
