#include "Node.h"

#include <cfloat>
#include <cmath>

#include "NodeMap.h"
#include "nodes/Representation.h"

namespace ky::gc {
namespace {

const std::pair<const char *, KyGenVisibility> kVisibility[] = {{"Beginner", KyGenVisibilityBeginner},
                                                                {"Expert", KyGenVisibilityExpert},
                                                                {"Guru", KyGenVisibilityGuru},
                                                                {"Invisible", KyGenVisibilityInvisible}};
const std::pair<const char *, KyGenAccessMode> kAccess[] = {
    {"RO", KyGenAccessModeReadOnly}, {"RW", KyGenAccessModeReadWrite}, {"WO", KyGenAccessModeWriteOnly}};
const std::pair<const char *, KyGenCache> kCache[] = {{"NoCache", KyGenCacheNone},
                                                      {"WriteThrough", KyGenCacheWriteThrough},
                                                      {"WriteAround", KyGenCacheWriteAround}};
const std::pair<const char *, bool> kYesNo[] = {{"Yes", true}, {"No", false}};
const std::pair<const char *, KyGenNameSpace> kNameSpace[] = {{"Standard", KyGenNameSpaceStandard},
                                                              {"Custom", KyGenNameSpaceCustom}};

// Intersection of two access modes (what both allow).
KyGenAccessMode Restrict(KyGenAccessMode mode, KyGenAccessMode imposed)
{
    if (mode == imposed || imposed == KyGenAccessModeReadWrite)
        return mode;
    if (mode == KyGenAccessModeReadWrite)
        return imposed;
    if (mode == KyGenAccessModeNotImplemented)
        return mode;
    return KyGenAccessModeNotAvailable;
}

}  // namespace

Node::Node(NodeMap &map, const char *tag) : mMap(map), mTag(tag) { }
Node::~Node() = default;

std::string Node::Text(const tinyxml2::XMLElement &child)
{
    const char *t = child.GetText();
    std::string s = t ? t : "";
    size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool Node::TakeProperty(const tinyxml2::XMLElement &child, const char *literal, const char *pointer,
                        Property &p)
{
    if (literal && std::string(child.Name()) == literal) {
        p.SetLiteral(Text(child));
        return true;
    }
    if (pointer && std::string(child.Name()) == pointer) {
        p.SetReference(Text(child));
        return true;
    }
    return false;
}

void Node::Fail(const std::string &message)
{
    if (mLoadError.empty())
        mLoadError = message;
}

KyResult Node::Error(uint32_t code, const std::string &message) const
{
    return KyResult(code, KyString(Prefix() + message));
}

KyResult Node::NotA(const char *what) const
{
    return Error(KY_INVALID_PARAMETER, std::string("is not ") + what + " (it is a " + mTag + ")");
}

KyResult Node::Load(const tinyxml2::XMLElement &element, const tinyxml2::XMLElement *inherited)
{
    const char *name = element.Attribute("Name");
    mName = name ? name : "";
    if (mName.empty())
        return KyResult(KY_GENICAM_XML_ERROR,
                        KyString(std::string("a <") + mTag + "> on line " +
                                 std::to_string(element.GetLineNum()) + " has no Name"));
    if (const char *ns = element.Attribute("NameSpace"))
        mNameSpace = std::string(ns) == "Standard" ? KyGenNameSpaceStandard : KyGenNameSpaceCustom;
    for (const tinyxml2::XMLElement *c = inherited ? inherited->FirstChildElement() : nullptr; c;
         c = c->NextSiblingElement()) {
        if (std::string(c->Name()) != "StructEntry" && !ParseChild(*c))
            NodeMap::Debug(Prefix() + "ignores the unknown element <" + c->Name() + ">");
    }
    for (const tinyxml2::XMLElement *c = element.FirstChildElement(); c; c = c->NextSiblingElement()) {
        if (!ParseChild(*c))
            NodeMap::Debug(Prefix() + "ignores the unknown element <" + c->Name() + ">");
    }
    if (!mLoadError.empty())
        return KyResult(KY_GENICAM_XML_ERROR, KyString(Prefix() + mLoadError + " (line " +
                                                       std::to_string(element.GetLineNum()) + ")"));
    return KyResult();
}

bool Node::ParseChild(const tinyxml2::XMLElement &c)
{
    std::string tag = c.Name();
    if (tag == "ToolTip") {
        mToolTip = Text(c);
        return true;
    }
    if (tag == "Description") {
        mDescription = Text(c);
        return true;
    }
    if (tag == "DisplayName") {
        mDisplayName = Text(c);
        return true;
    }
    if (tag == "Visibility")
        return ParseChoice(c, kVisibility, mVisibility);
    if (tag == "Representation")
        return ParseChoice(c, kRepresentations, mRepresentation);
    if (tag == "Unit") {
        mUnit = Text(c);
        return true;
    }
    if (tag == "ImposedAccessMode")
        return ParseChoice(c, kAccess, mImposed);
    if (tag == "Cachable")
        return ParseChoice(c, kCache, mCachable);
    if (tag == "Streamable")
        return ParseChoice(c, kYesNo, mStreamable);
    if (tag == "NameSpace")
        return ParseChoice(c, kNameSpace, mNameSpace);
    if (tag == "PollingTime") {
        if (!ParseInt(Text(c), mPollingTime) || mPollingTime < 0)
            Fail("has a bad PollingTime '" + Text(c) + "'");
        return true;
    }
    if (TakeProperty(c, nullptr, "pIsImplemented", mIsImplemented))
        return true;
    if (TakeProperty(c, nullptr, "pIsAvailable", mIsAvailable))
        return true;
    if (TakeProperty(c, nullptr, "pIsLocked", mIsLocked))
        return true;
    if (tag == "pSelected") {
        mSelectedProps.emplace_back();
        mSelectedProps.back().SetReference(Text(c));
        return true;
    }
    if (tag == "pInvalidator") {
        mInvalidatorProps.emplace_back();
        mInvalidatorProps.back().SetReference(Text(c));
        return true;
    }
    // Known elements that change nothing here.
    static const char *const kIgnored[] = {"Extension",       "EventID",          "pAlias", "pCastAlias",
                                           "DocuURL",         "IsDeprecated",     "pError", "Merge",
                                           "DisplayNotation", "DisplayPrecision", "Slope",  "IsLinear"};
    for (const char *ignored : kIgnored)
        if (tag == ignored)
            return true;
    return false;
}

KyResult Node::Link()
{
    KyResult r;
    r |= mIsImplemented.Link(mMap, *this, "pIsImplemented");
    r |= mIsAvailable.Link(mMap, *this, "pIsAvailable");
    r |= mIsLocked.Link(mMap, *this, "pIsLocked");
    for (Property &p : mSelectedProps) {
        r |= p.Link(mMap, *this, "pSelected");
        if (p.Target()) {
            mSelected.push_back(p.Target());
            p.Target()->mSelecting.push_back(this);
        }
    }
    for (Property &p : mInvalidatorProps) {
        r |= p.Link(mMap, *this, "pInvalidator");
        if (p.Target()) {
            mInvalidators.push_back(p.Target());
            p.Target()->mInvalidates.push_back(this);
        }
    }
    return r;
}

void Node::ValueReferences(std::vector<const Property *> &out) const
{
    out.push_back(&mIsImplemented);
    out.push_back(&mIsAvailable);
    out.push_back(&mIsLocked);
}

KyResult Node::IsImplemented(bool &yes)
{
    yes = true;
    if (!mIsImplemented.IsSet())
        return KyResult();
    DepthGuard guard(mMap, *this);
    if (!guard.Ok())
        return guard.Result();
    int64_t v = 0;
    KyResult r = mIsImplemented.GetInt(*this, v);
    yes = r.IsOK() && v != 0;
    return r;
}

KyResult Node::IsAvailable(bool &yes)
{
    yes = true;
    if (!mIsAvailable.IsSet())
        return KyResult();
    DepthGuard guard(mMap, *this);
    if (!guard.Ok())
        return guard.Result();
    int64_t v = 0;
    KyResult r = mIsAvailable.GetInt(*this, v);
    yes = r.IsOK() && v != 0;
    return r;
}

KyResult Node::GetAccessMode(KyGenAccessMode &mode)
{
    DepthGuard guard(mMap, *this);
    if (!guard.Ok())
        return guard.Result();
    bool yes = false;
    KyResult r = IsImplemented(yes);
    if (r.IsOK() && !yes) {
        mode = KyGenAccessModeNotImplemented;
        return r;
    }
    if (r.IsOK())
        r = IsAvailable(yes);
    if (r.IsOK() && !yes) {
        mode = KyGenAccessModeNotAvailable;
        return r;
    }
    if (r.IsOK())
        r = DoGetAccessMode(mode);
    if (!r.IsOK()) {
        mode = KyGenAccessModeNotAvailable;
        return r;
    }
    if (mIsLocked.IsSet()) {
        int64_t locked = 0;
        r = mIsLocked.GetInt(*this, locked);
        if (!r.IsOK())
            return r;
        if (locked)
            mode = Restrict(mode, KyGenAccessModeReadOnly);
    }
    mode = Restrict(mode, mImposed);
    return r;
}

KyResult Node::CheckReadable()
{
    KyGenAccessMode mode;
    KyResult r = GetAccessMode(mode);
    if (!r.IsOK())
        return r;
    switch (mode) {
    case KyGenAccessModeReadOnly:
    case KyGenAccessModeReadWrite:
        return KyResult();
    case KyGenAccessModeWriteOnly:
        return Error(KY_STATE_ERROR, "is not readable (write-only)");
    case KyGenAccessModeNotImplemented:
        return Error(KY_NOT_IMPLEMENTED, "is not implemented");
    default:
        return Error(KY_STATE_ERROR, "is not available");
    }
}

KyResult Node::CheckWritable()
{
    KyGenAccessMode mode;
    KyResult r = GetAccessMode(mode);
    if (!r.IsOK())
        return r;
    switch (mode) {
    case KyGenAccessModeWriteOnly:
    case KyGenAccessModeReadWrite:
        return KyResult();
    case KyGenAccessModeReadOnly:
        return Error(KY_STATE_ERROR, mIsLocked.IsSet() ? "is not writable (read-only or locked)"
                                                       : "is not writable (read-only)");
    case KyGenAccessModeNotImplemented:
        return Error(KY_NOT_IMPLEMENTED, "is not implemented");
    default:
        return Error(KY_STATE_ERROR, "is not available");
    }
}

bool Node::IsValueCached() { return false; }

KyResult Node::Written(const KyResult &result)
{
    if (result.IsOK()) {
        ++mChangeCount;
        mMap.NoteWritten(this);
    }
    return result;
}

// Every entry point passes the depth guard once, then calls the kind's hook.
#define KY_GC_GUARDED(call)                                                                                  \
    DepthGuard guard(mMap, *this);                                                                           \
    if (!guard.Ok())                                                                                         \
        return guard.Result();                                                                               \
    return call

KyResult Node::GetInt(int64_t &v) { KY_GC_GUARDED(DoGetInt(v)); }
KyResult Node::SetInt(int64_t v) { KY_GC_GUARDED(Written(DoSetInt(v))); }
KyResult Node::GetIntMin(int64_t &v) { KY_GC_GUARDED(DoGetIntMin(v)); }
KyResult Node::GetIntMax(int64_t &v) { KY_GC_GUARDED(DoGetIntMax(v)); }
KyResult Node::GetIntInc(int64_t &v) { KY_GC_GUARDED(DoGetIntInc(v)); }
KyResult Node::GetFloat(double &v) { KY_GC_GUARDED(DoGetFloat(v)); }
KyResult Node::SetFloat(double v) { KY_GC_GUARDED(Written(DoSetFloat(v))); }
KyResult Node::GetFloatMin(double &v) { KY_GC_GUARDED(DoGetFloatMin(v)); }
KyResult Node::GetFloatMax(double &v) { KY_GC_GUARDED(DoGetFloatMax(v)); }
KyResult Node::GetFloatInc(double &v, bool &hasInc) { KY_GC_GUARDED(DoGetFloatInc(v, hasInc)); }
KyResult Node::GetString(std::string &v) { KY_GC_GUARDED(DoGetString(v)); }
KyResult Node::SetString(const std::string &v) { KY_GC_GUARDED(Written(DoSetString(v))); }
KyResult Node::GetMaxLength(int64_t &v) { KY_GC_GUARDED(DoGetMaxLength(v)); }
KyResult Node::GetBool(bool &v) { KY_GC_GUARDED(DoGetBool(v)); }
KyResult Node::SetBool(bool v) { KY_GC_GUARDED(Written(DoSetBool(v))); }
KyResult Node::Execute() { KY_GC_GUARDED(Written(DoExecute())); }
KyResult Node::IsDone(bool &done) { KY_GC_GUARDED(DoIsDone(done)); }
KyResult Node::GetBytes(uint8_t *data, int64_t length) { KY_GC_GUARDED(DoGetBytes(data, length)); }
KyResult Node::SetBytes(const uint8_t *data, int64_t length)
{
    KY_GC_GUARDED(Written(DoSetBytes(data, length)));
}
KyResult Node::GetLength(int64_t &v) { KY_GC_GUARDED(DoGetLength(v)); }
#undef KY_GC_GUARDED

KyResult Node::DoGetAccessMode(KyGenAccessMode &mode)
{
    mode = KyGenAccessModeReadOnly;
    return KyResult();
}

// Integer and float nodes read each other's values; anything else is refused.
KyResult Node::DoGetInt(int64_t &v)
{
    if (Kind() != Interface::Float)
        return NotA("an integer");
    double f = 0;
    KyResult r = DoGetFloat(f);
    if (!r.IsOK())
        return r;
    if (!std::isfinite(f) || f >= 9223372036854775808.0 || f < -9223372036854775808.0)
        return Error(KY_ERR_OVERFLOW, "value " + std::to_string(f) + " does not fit a 64-bit integer");
    v = static_cast<int64_t>(std::llround(f));
    return r;
}
KyResult Node::DoSetInt(int64_t v)
{
    if (Kind() != Interface::Float)
        return NotA("an integer");
    return DoSetFloat(static_cast<double>(v));
}
KyResult Node::DoGetIntMin(int64_t &v)
{
    v = INT64_MIN;
    return Kind() == Interface::Integer ? KyResult() : NotA("an integer");
}
KyResult Node::DoGetIntMax(int64_t &v)
{
    v = INT64_MAX;
    return Kind() == Interface::Integer ? KyResult() : NotA("an integer");
}
KyResult Node::DoGetIntInc(int64_t &v)
{
    v = 1;
    return Kind() == Interface::Integer ? KyResult() : NotA("an integer");
}

KyResult Node::DoGetFloat(double &v)
{
    if (Kind() != Interface::Integer)
        return NotA("a number");
    int64_t i = 0;
    KyResult r = DoGetInt(i);
    v = static_cast<double>(i);
    return r;
}
KyResult Node::DoSetFloat(double v)
{
    if (Kind() != Interface::Integer)
        return NotA("a number");
    if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0) || std::trunc(v) != v)
        return Error(KY_INVALID_PARAMETER, std::to_string(v) + " is not an integer value");
    return DoSetInt(static_cast<int64_t>(v));
}
KyResult Node::DoGetFloatMin(double &v)
{
    if (Kind() == Interface::Float) {
        v = -DBL_MAX;
        return KyResult();
    }
    int64_t i = 0;
    KyResult r = DoGetIntMin(i);
    v = static_cast<double>(i);
    return Kind() == Interface::Integer ? r : NotA("a number");
}
KyResult Node::DoGetFloatMax(double &v)
{
    if (Kind() == Interface::Float) {
        v = DBL_MAX;
        return KyResult();
    }
    int64_t i = 0;
    KyResult r = DoGetIntMax(i);
    v = static_cast<double>(i);
    return Kind() == Interface::Integer ? r : NotA("a number");
}
KyResult Node::DoGetFloatInc(double &v, bool &hasInc)
{
    hasInc = false;
    v = 0;
    return Kind() == Interface::Integer || Kind() == Interface::Float ? KyResult() : NotA("a number");
}
KyResult Node::DoGetString(std::string &) { return NotA("a string"); }
KyResult Node::DoSetString(const std::string &) { return NotA("a string"); }
KyResult Node::DoGetMaxLength(int64_t &) { return NotA("a string"); }
KyResult Node::DoGetBool(bool &) { return NotA("a boolean"); }
KyResult Node::DoSetBool(bool) { return NotA("a boolean"); }
KyResult Node::DoExecute() { return NotA("a command"); }
KyResult Node::DoIsDone(bool &) { return NotA("a command"); }
KyResult Node::DoGetBytes(uint8_t *, int64_t) { return NotA("a register"); }
KyResult Node::DoSetBytes(const uint8_t *, int64_t) { return NotA("a register"); }
KyResult Node::DoGetLength(int64_t &) { return NotA("a register"); }

}  // namespace ky::gc
