// FeatureTable: GenICam features as plain data. FeatureDocument renders a list of tables into one
// GenICam XML file; the soft device's standard, stream and factory features and the SDK's own
// host-side feature sets (FeatureSet: the link and stream parameters) all are such tables.
//
// Rendering rules (see FeatureXml):
// - Integer, Float, Boolean, Command and Enumeration take their value from, in this order: pValue
//   (another node), a register (`address` set: a hidden "<Name>Reg" IntReg, MaskedIntReg when
//   `lsb`/`msb` are set, or FloatReg for a Float is generated), or the literal `value`.
// - IntReg, MaskedIntReg, FloatReg, StringReg and Register are register nodes themselves and need
//   `address` (and `length`).
// - IntSwissKnife and SwissKnife evaluate `formula` over `variables`; IntConverter and Converter read
//   `pValue` through `formulaFrom` (raw value as TO) and write it through `formulaTo` (value as FROM).
// - `category` names the parent category; a backslash separates levels ("A\\B"); "Root" puts the
//   feature in the root category itself. Categories are made from the features that name them; an
//   empty category keeps a feature out of every category.
// - Texts are written escaped; names must be GenICam names (letter first, then letters, digits, '_').
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ky::gc {

enum class FeatureKind {
    Integer,
    IntReg,
    MaskedIntReg,
    Float,
    FloatReg,
    Boolean,
    Command,
    Enumeration,
    String,
    StringReg,
    Register,
    IntSwissKnife,
    SwissKnife,
    IntConverter,
    Converter,
};

struct EnumEntrySpec
{
    std::string name;
    int64_t value = 0;
    std::string displayName;   // empty: made from the name
    std::string pIsAvailable;  // node that makes the entry available while non-zero
    bool custom = false;       // NameSpace Custom instead of Standard
};

// A formula variable: the name used in the formula and the node it reads.
struct FormulaVariable
{
    std::string name;
    std::string node;
};

struct FeatureSpec
{
    FeatureKind kind = FeatureKind::Integer;
    std::string name;
    std::string category;
    std::string displayName;  // empty: made from the name and the category
    std::string toolTip;
    std::string description;
    std::string visibility = "Beginner";  // Beginner, Expert, Guru, Invisible
    bool custom = false;                  // NameSpace Custom instead of Standard
    std::string access = "RW";            // RO, RW, WO

    // Register behind the feature (see the rules above). Big-endian unless littleEndian.
    std::optional<uint32_t> address;
    uint32_t length = 4;
    int lsb = -1;  // MaskedIntReg bit range, GenICam numbering of BigEndian registers (0 = MSB)
    int msb = -1;
    bool isSigned = false;
    bool littleEndian = false;
    std::string port;  // empty: the document's port; else a chunk or event port (see PortSpec)
    // Register chosen by an index node: the address is address + indexOffset * value of pIndex
    // (how features behind a selector such as GevStreamChannelSelector reach each channel's block).
    std::string pIndex;
    uint32_t indexOffset = 0;
    std::string cachable = "NoCache";  // NoCache, WriteThrough, WriteAround
    uint32_t pollingTime = 0;          // ms, 0 = none

    std::string value;  // literal value: Integer, Float, Boolean, String
    std::string pValue;

    std::string min, max, inc;  // literals; empty: not written
    std::string pMin, pMax, pInc;
    std::string unit;
    std::string representation;  // Linear, HexNumber, IPV4Address, MACAddress, PureNumber...

    std::string pIsAvailable;
    std::string pIsLocked;
    bool streamable = false;

    std::vector<std::string> selected;      // features this one selects (pSelected)
    std::vector<std::string> invalidators;  // writing them invalidates this feature (pInvalidator)

    std::vector<EnumEntrySpec> entries;  // Enumeration

    int64_t onValue = 1, offValue = 0;  // Boolean
    int64_t commandValue = 1;           // Command: the value written to execute it

    std::string formula;                     // IntSwissKnife, SwissKnife
    std::string formulaFrom, formulaTo;      // IntConverter, Converter
    std::vector<FormulaVariable> variables;  // SwissKnife and Converter variables

    // Chainable setters for readable tables.
    FeatureSpec &In(std::string c)
    {
        category = std::move(c);
        return *this;
    }
    FeatureSpec &Access(std::string a)
    {
        access = std::move(a);
        return *this;
    }
    FeatureSpec &Tip(std::string t)
    {
        toolTip = std::move(t);
        return *this;
    }
    FeatureSpec &Vis(std::string v)
    {
        visibility = std::move(v);
        return *this;
    }
    FeatureSpec &Range(std::string lo, std::string hi, std::string step = "")
    {
        min = std::move(lo), max = std::move(hi), inc = std::move(step);
        return *this;
    }
    FeatureSpec &Unit(std::string u)
    {
        unit = std::move(u);
        return *this;
    }
    FeatureSpec &Entry(std::string n, int64_t v)
    {
        entries.push_back({std::move(n), v, {}, {}, false});
        return *this;
    }
    FeatureSpec &Selects(std::string n)
    {
        selected.push_back(std::move(n));
        return *this;
    }
    FeatureSpec &InvalidatedBy(std::string n)
    {
        invalidators.push_back(std::move(n));
        return *this;
    }
    FeatureSpec &Bits(int lsbBit, int msbBit)
    {
        lsb = lsbBit, msb = msbBit;
        return *this;
    }
    FeatureSpec &Var(std::string n, std::string node)
    {
        variables.push_back({std::move(n), std::move(node)});
        return *this;
    }
    FeatureSpec &IndexedBy(std::string n, uint32_t offset)
    {
        pIndex = std::move(n), indexOffset = offset;
        return *this;
    }
    FeatureSpec &Available(std::string n)
    {
        pIsAvailable = std::move(n);
        return *this;
    }
    FeatureSpec &Locked(std::string n)
    {
        pIsLocked = std::move(n);
        return *this;
    }

    // Common shapes.
    static FeatureSpec Make(FeatureKind k, std::string n)
    {
        FeatureSpec f;
        f.kind = k;
        f.name = std::move(n);
        return f;
    }
    static FeatureSpec OnRegister(FeatureKind k, std::string n, uint32_t addr, uint32_t len = 4)
    {
        FeatureSpec f = Make(k, std::move(n));
        f.address = addr;
        f.length = len;
        return f;
    }
};

// A port besides the document's own: the data of one chunk or of one event, by its id.
struct PortSpec
{
    std::string name;
    bool event = false;  // ChunkID when false, EventID when true
    uint32_t id = 0;
};

// A named list of features, kept by whoever owns them (the device, a stream channel, the factory,
// a host-side feature set).
struct FeatureTable
{
    std::string owner;  // for error texts: "standard", "stream channel 0", "custom"...
    std::vector<FeatureSpec> features;
    std::vector<PortSpec> ports;
};

}  // namespace ky::gc
