#include "features/FeatureXml.h"

#include <cctype>
#include <cstdio>

namespace ky::gc {
namespace {

using Kind = FeatureKind;

const char *Tag(Kind kind)
{
    switch (kind) {
    case Kind::Integer:
        return "Integer";
    case Kind::IntReg:
        return "IntReg";
    case Kind::MaskedIntReg:
        return "MaskedIntReg";
    case Kind::Float:
        return "Float";
    case Kind::FloatReg:
        return "FloatReg";
    case Kind::Boolean:
        return "Boolean";
    case Kind::Command:
        return "Command";
    case Kind::Enumeration:
        return "Enumeration";
    case Kind::String:
        return "String";
    case Kind::StringReg:
        return "StringReg";
    case Kind::Register:
        return "Register";
    case Kind::IntSwissKnife:
        return "IntSwissKnife";
    case Kind::SwissKnife:
        return "SwissKnife";
    case Kind::IntConverter:
        return "IntConverter";
    case Kind::Converter:
        return "Converter";
    }
    return "Integer";
}

bool IsRegisterKind(Kind kind)
{
    return kind == Kind::IntReg || kind == Kind::MaskedIntReg || kind == Kind::FloatReg ||
           kind == Kind::StringReg || kind == Kind::Register;
}

// Kinds that read a value node: from pValue, a hidden register or a literal.
bool IsValueKind(Kind kind)
{
    return kind == Kind::Integer || kind == Kind::Float || kind == Kind::Boolean || kind == Kind::Command ||
           kind == Kind::Enumeration;
}

class Writer
{
public:
    explicit Writer(std::string &out) : mOut(out) { }

    void Open(const char *tag, const std::string &name, bool custom)
    {
        mOut += "  <" + std::string(tag) + " Name=\"" + FeatureXml::Escape(name) + "\" NameSpace=\"" +
                (custom ? "Custom" : "Standard") + "\">\n";
    }
    void Close(const char *tag) { mOut += "  </" + std::string(tag) + ">\n"; }
    void Item(const char *tag, const std::string &text, const char *indent = "    ")
    {
        if (!text.empty()) {
            mOut += indent + std::string("<") + tag + ">" + FeatureXml::Escape(text) + "</" + tag + ">\n";
        }
    }
    // A literal or a reference: pTag wins when both are given.
    void ValueOrRef(const char *tag, const std::string &literal, const std::string &reference)
    {
        if (!reference.empty()) {
            Item((std::string("p") + tag).c_str(), reference);
        } else {
            Item(tag, literal);
        }
    }
    void Raw(const std::string &text) { mOut += text; }

private:
    std::string &mOut;
};

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%X", value);
    return text;
}

void RegisterBody(Writer &w, const FeatureSpec &f, Kind kind, const FeatureXml::Style &style)
{
    w.Item("Address", Hex(*f.address));
    if (!f.pIndex.empty()) {
        w.Raw("    <pIndex Offset=\"" + std::to_string(f.indexOffset) + "\">" + FeatureXml::Escape(f.pIndex) +
              "</pIndex>\n");
    }
    w.Item("Length", std::to_string(f.length));
    w.Item("AccessMode", f.access);
    w.Item("pPort", f.port.empty() ? style.port : f.port);
    w.Item("Cachable", f.cachable);
    if (f.pollingTime != 0) {
        w.Item("PollingTime", std::to_string(f.pollingTime));
    }
    if (kind == Kind::MaskedIntReg) {
        if (f.lsb == f.msb) {
            w.Item("Bit", std::to_string(f.lsb));
        } else {
            w.Item("LSB", std::to_string(f.lsb));
            w.Item("MSB", std::to_string(f.msb));
        }
    }
    if (kind == Kind::IntReg || kind == Kind::MaskedIntReg) {
        w.Item("Sign", f.isSigned ? "Signed" : "Unsigned");
    }
    if (kind == Kind::IntReg || kind == Kind::MaskedIntReg || kind == Kind::FloatReg) {
        w.Item("Endianess", f.littleEndian ? "LittleEndian" : "BigEndian");
    }
}

// What every feature node starts with, in the order of the GenICam schema.
void Common(Writer &w, const FeatureSpec &f, bool hidden, const FeatureXml::Style &style)
{
    w.Item("ToolTip", f.toolTip);
    w.Item("Description", f.description);
    if (!hidden) {
        w.Item("DisplayName", f.displayName.empty() && style.madeDisplayNames
                                  ? FeatureXml::DisplayName(f.name, f.category)
                                  : f.displayName);
    }
    w.Item("Visibility", hidden ? "Invisible" : f.visibility);
    for (const std::string &invalidator : f.invalidators) {
        w.Item("pInvalidator", invalidator);
    }
    w.Item("pIsAvailable", f.pIsAvailable);
    w.Item("pIsLocked", f.pIsLocked);
    if (f.streamable) {
        w.Item("Streamable", "Yes");
    }
    for (const std::string &selected : f.selected) {
        w.Item("pSelected", selected);
    }
}

void Variables(Writer &w, const FeatureSpec &f)
{
    for (const FormulaVariable &v : f.variables) {
        w.Raw("    <pVariable Name=\"" + FeatureXml::Escape(v.name) + "\">" + FeatureXml::Escape(v.node) +
              "</pVariable>\n");
    }
}

void Entries(Writer &w, const FeatureSpec &f, const FeatureXml::Style &style)
{
    for (const EnumEntrySpec &e : f.entries) {
        w.Raw("    <EnumEntry Name=\"" + FeatureXml::Escape(e.name) + "\" NameSpace=\"" +
              (e.custom ? "Custom" : "Standard") + "\">\n");
        w.Item("DisplayName",
               e.displayName.empty() && style.madeDisplayNames ? FeatureXml::DisplayName(e.name, "")
                                                               : e.displayName,
               "      ");
        w.Item("pIsAvailable", e.pIsAvailable, "      ");
        w.Item("Value", std::to_string(e.value), "      ");
        w.Raw("    </EnumEntry>\n");
    }
}

KyResult Fail(const FeatureSpec &f, const std::string &what)
{
    return KyResult(KY_GENICAM_XML_ERROR, KyString("[" + f.name + "] " + what));
}

KyResult Check(const FeatureSpec &f)
{
    if (!FeatureXml::IsValidName(f.name)) {
        return Fail(f, "is not a valid feature name (a letter, then letters, digits or '_')");
    }
    if (!f.category.empty() && !FeatureXml::IsValidCategory(f.category)) {
        return Fail(f, "category '" + f.category + "' is not a valid category path");
    }
    if (IsRegisterKind(f.kind) && !f.address) {
        return Fail(f, std::string("a ") + Tag(f.kind) + " needs an address");
    }
    if (f.kind == Kind::MaskedIntReg || (IsValueKind(f.kind) && f.address && f.lsb >= 0)) {
        if (f.lsb < 0 || f.msb < 0 || f.lsb > 63 || f.msb > 63) {
            return Fail(f, "needs a bit range within 0 to 63");
        }
    }
    if (IsValueKind(f.kind) && f.pValue.empty() && !f.address && f.value.empty() &&
        f.kind != Kind::Enumeration) {
        return Fail(f, "has no value, register or pValue");
    }
    if (f.kind == Kind::Enumeration && f.entries.empty()) {
        return Fail(f, "an enumeration needs entries");
    }
    if ((f.kind == Kind::IntSwissKnife || f.kind == Kind::SwissKnife) && f.formula.empty()) {
        return Fail(f, "a SwissKnife needs a formula");
    }
    if ((f.kind == Kind::IntConverter || f.kind == Kind::Converter) &&
        (f.pValue.empty() || f.formulaFrom.empty() || f.formulaTo.empty())) {
        return Fail(f, "a converter needs a pValue and both formulas");
    }
    return KyResult(KY_OK);
}

}  // namespace

std::string FeatureXml::Escape(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool FeatureXml::IsValidName(const std::string &name)
{
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) {
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') {
            return false;
        }
    }
    return true;
}

bool FeatureXml::IsValidCategory(const std::string &category)
{
    size_t start = 0;
    while (true) {
        const size_t end = category.find('\\', start);
        if (!IsValidName(
                category.substr(start, end == std::string::npos ? std::string::npos : end - start))) {
            return false;
        }
        if (end == std::string::npos) {
            return true;
        }
        start = end + 1;
    }
}

std::string FeatureXml::DisplayName(const std::string &name, const std::string &category)
{
    const std::string last =
        category.substr(category.rfind('\\') == std::string::npos ? 0 : category.rfind('\\') + 1);
    size_t wordEnd = last.empty() ? 0 : 1;
    while (wordEnd < last.size() && std::islower(static_cast<unsigned char>(last[wordEnd]))) {
        ++wordEnd;
    }
    std::string rest = name;
    const std::string word = last.substr(0, wordEnd);
    if (!word.empty() && name.size() > word.size() && name.compare(0, word.size(), word) == 0 &&
        std::isupper(static_cast<unsigned char>(name[word.size()]))) {
        rest = name.substr(word.size());
    }
    std::string out;
    for (size_t k = 0; k < rest.size(); ++k) {
        const unsigned char c = static_cast<unsigned char>(rest[k]);
        if (k > 0 && std::isupper(c)) {
            const unsigned char before = static_cast<unsigned char>(rest[k - 1]);
            const bool nextLower =
                k + 1 < rest.size() && std::islower(static_cast<unsigned char>(rest[k + 1]));
            if (std::islower(before) || std::isdigit(before) || (std::isupper(before) && nextLower)) {
                out += ' ';
            }
        }
        out += rest[k] == '_' ? ' ' : rest[k];
    }
    return out;
}

std::string FeatureXml::RegisterNodeName(const FeatureSpec &feature)
{
    if (IsValueKind(feature.kind) && feature.pValue.empty() && feature.address) {
        return feature.name + "Reg";
    }
    return std::string();
}

KyResult FeatureXml::Render(const FeatureSpec &f, std::string &out, const Style &style)
{
    KyResult check = Check(f);
    if (check.IsFailure()) {
        return check;
    }
    Writer w(out);
    const char *tag = Tag(f.kind);
    const std::string hiddenRegister = RegisterNodeName(f);
    w.Open(tag, f.name, f.custom);
    Common(w, f, false, style);
    switch (f.kind) {
    case Kind::IntReg:
    case Kind::MaskedIntReg:
    case Kind::FloatReg:
    case Kind::StringReg:
    case Kind::Register:
        RegisterBody(w, f, f.kind, style);
        if (f.kind == Kind::FloatReg) {
            w.Item("Unit", f.unit);
        }
        if (f.kind == Kind::IntReg || f.kind == Kind::MaskedIntReg) {
            w.Item("Representation", f.representation);
        }
        break;
    case Kind::Integer:
    case Kind::Float:
        w.ValueOrRef("Value", f.value, hiddenRegister.empty() ? f.pValue : hiddenRegister);
        w.ValueOrRef("Min", f.min, f.pMin);
        w.ValueOrRef("Max", f.max, f.pMax);
        if (f.kind == Kind::Integer) {
            w.ValueOrRef("Inc", f.inc, f.pInc);
        }
        w.Item("Unit", f.unit);
        w.Item("Representation", f.representation);
        break;
    case Kind::Boolean:
        w.ValueOrRef("Value", f.value, hiddenRegister.empty() ? f.pValue : hiddenRegister);
        w.Item("OnValue", std::to_string(f.onValue));
        w.Item("OffValue", std::to_string(f.offValue));
        break;
    case Kind::Command:
        w.ValueOrRef("Value", f.value, hiddenRegister.empty() ? f.pValue : hiddenRegister);
        w.Item("CommandValue", std::to_string(f.commandValue));
        break;
    case Kind::Enumeration:
        Entries(w, f, style);
        w.ValueOrRef("Value", f.value.empty() ? std::to_string(f.entries.front().value) : f.value,
                     hiddenRegister.empty() ? f.pValue : hiddenRegister);
        break;
    case Kind::String:
        w.Item("Value", f.value);
        break;
    case Kind::IntSwissKnife:
    case Kind::SwissKnife:
        Variables(w, f);
        w.Item("Formula", f.formula);
        w.Item("Unit", f.unit);
        w.Item("Representation", f.representation);
        break;
    case Kind::IntConverter:
    case Kind::Converter:
        Variables(w, f);
        w.Item("FormulaTo", f.formulaTo);
        w.Item("FormulaFrom", f.formulaFrom);
        w.Item("pValue", f.pValue);
        w.Item("Unit", f.unit);
        w.Item("Representation", f.representation);
        break;
    }
    w.Close(tag);
    if (!hiddenRegister.empty()) {
        const Kind kind =
            f.kind == Kind::Float ? Kind::FloatReg : (f.lsb >= 0 ? Kind::MaskedIntReg : Kind::IntReg);
        FeatureSpec reg = f;
        reg.toolTip.clear();
        reg.description.clear();
        reg.pIsAvailable.clear();
        reg.pIsLocked.clear();
        reg.selected.clear();
        reg.streamable = false;
        w.Open(Tag(kind), hiddenRegister, f.custom);
        Common(w, reg, true, style);
        RegisterBody(w, reg, kind, style);
        w.Close(Tag(kind));
    }
    return KyResult(KY_OK);
}

}  // namespace ky::gc
