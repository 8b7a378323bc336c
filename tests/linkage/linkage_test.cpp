// The SDK's shared libraries as the dynamic linker sees them.
//
// Exports: a library exports its public names (the Ky and IKy classes and functions, their
// members, type information and virtual tables) and the internal names that sdk/KyExports.internal
// lists for it, nothing else: no nested private part of a public class (a KyStreamGEV::Impl), no
// member that takes internal types, no other ky:: name. The map exports exactly the listed
// internal names, each with its reason.
//
// Needs: the libraries and programs an application uses to find and run cameras need no soft
// device library; discovery loads it only when KY_U3V_SIM declares cameras.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "LinkageFiles.h"

namespace {

// The lines a command prints (empty when it fails).
std::vector<std::string> Run(const std::string &command, bool &ok)
{
    std::vector<std::string> lines;
    FILE *pipe = ::popen(command.c_str(), "r");
    ok = pipe != nullptr;
    if (!ok)
        return lines;
    std::string line;
    char chunk[4096];
    while (std::fgets(chunk, sizeof chunk, pipe)) {
        line += chunk;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty())
        lines.push_back(line);
    ok = ::pclose(pipe) == 0;
    return lines;
}

// One exported symbol as nm -DC shows it.
struct Symbol
{
    std::string text;       // the whole demangled name
    std::string qualified;  // its qualified name, without template arguments and parameters
    bool isType = false;    // type information, virtual table: the qualified name is a class
};

const char *const kTypePrefixes[] = {"typeinfo name for ", "typeinfo for ", "vtable for ", "VTT for ",
                                     "construction vtable for "};
const char *const kOtherPrefixes[] = {"non-virtual thunk to ", "virtual thunk to ",
                                      "covariant return thunk to ", "guard variable for "};

bool IsIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

Symbol Describe(const std::string &text)
{
    Symbol symbol;
    symbol.text = text;
    std::string name = text;
    for (const char *prefix : kTypePrefixes) {
        if (name.rfind(prefix, 0) == 0) {
            name = name.substr(std::string(prefix).size());
            symbol.isType = true;
            break;
        }
    }
    for (const char *prefix : kOtherPrefixes) {
        if (name.rfind(prefix, 0) == 0) {
            name = name.substr(std::string(prefix).size());
            break;
        }
    }
    int depth = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (depth == 0 && name.compare(i, 8, "operator") == 0 && (i == 0 || !IsIdentifierChar(name[i - 1])) &&
            (i + 8 == name.size() || !IsIdentifierChar(name[i + 8]))) {
            symbol.qualified += "operator";
            break;
        }
        if (c == '<') {
            ++depth;
        } else if (c == '>') {
            --depth;
        } else if (depth == 0) {
            if (c == '(' || c == ' ')
                break;
            symbol.qualified += c;
        }
    }
    return symbol;
}

std::vector<std::string> Components(const std::string &qualified)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = qualified.find("::", start)) != std::string::npos; start = at + 2)
        parts.push_back(qualified.substr(start, at - start));
    parts.push_back(qualified.substr(start));
    return parts;
}

// A public class or namespace of the SDK: KyString, IKyImage, KySystemLib, ...
bool IsPublicName(const std::string &name)
{
    const size_t at = name.rfind("IKy", 0) == 0 ? 3 : name.rfind("Ky", 0) == 0 ? 2 : std::string::npos;
    return at != std::string::npos && at < name.size() &&
           (std::isupper(static_cast<unsigned char>(name[at])) ||
            std::isdigit(static_cast<unsigned char>(name[at])));
}

// The internal names a library may export: name -> reason.
using AllowList = std::map<std::string, std::map<std::string, std::string>>;

AllowList ReadAllowList()
{
    AllowList allowed;
    std::ifstream file(kExportAllowList);
    EXPECT_TRUE(file) << kExportAllowList;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string library, name;
        words >> library >> name;
        std::string reason;
        std::getline(words, reason);
        EXPECT_TRUE(!name.empty() && name.back() == ':' && reason.find_first_not_of(' ') != std::string::npos)
            << "not LIBRARY NAME: REASON: " << line;
        if (!name.empty() && name.back() == ':')
            name.pop_back();
        allowed[library][name] = reason;
    }
    return allowed;
}

bool Covers(const std::map<std::string, std::string> &allowed, const std::string &qualified)
{
    for (const auto &entry : allowed) {
        const std::string &name = entry.first;
        if (qualified == name || qualified.rfind(name + "::", 0) == 0)
            return true;
    }
    return false;
}

// Why a library may not export this symbol; empty when it may.
std::string Fault(const Symbol &symbol, const std::map<std::string, std::string> &allowed)
{
    if (Covers(allowed, symbol.qualified))
        return "";
    if (symbol.qualified.rfind("ky::", 0) == 0)
        return "an internal name that KyExports.internal does not list for this library";
    const std::vector<std::string> parts = Components(symbol.qualified);
    const size_t scopes = symbol.isType ? parts.size() : parts.size() - 1;
    if (!IsPublicName(parts[0]))
        return "no public name of the SDK";
    for (size_t i = 1; i < scopes; ++i) {
        if (!IsPublicName(parts[i]))
            return "a nested private part of a public class (mark it KY_LOCAL)";
    }
    if (symbol.text.find("ky::") != std::string::npos)
        return "a member that takes internal types (mark it KY_LOCAL)";
    return "";
}

std::vector<Symbol> Exports(const std::string &file)
{
    bool ok = false;
    std::vector<Symbol> symbols;
    for (const std::string &line : Run("nm -DC --defined-only '" + file + "'", ok)) {
        // "ADDRESS TYPE NAME"
        const size_t type = line.find(' ');
        if (type == std::string::npos || type + 3 > line.size())
            continue;
        symbols.push_back(Describe(line.substr(type + 3)));
    }
    EXPECT_TRUE(ok) << "nm failed on " << file;
    return symbols;
}

TEST(Exports, EachLibraryExportsItsPublicNamesAndItsListedInternalOnes)
{
    const AllowList allowed = ReadAllowList();
    for (const LinkageLibrary &library : kSdkLibraries) {
        SCOPED_TRACE(library.name);
        const auto listed =
            allowed.count(library.name) ? allowed.at(library.name) : std::map<std::string, std::string>();
        const std::vector<Symbol> symbols = Exports(library.file);
        EXPECT_FALSE(symbols.empty());
        std::set<std::string> exportedListed;
        for (const Symbol &symbol : symbols) {
            const std::string fault = Fault(symbol, listed);
            EXPECT_EQ(fault, "") << library.name << " exports " << symbol.text;
            for (const auto &entry : listed) {
                if (symbol.qualified == entry.first || symbol.qualified.rfind(entry.first + "::", 0) == 0)
                    exportedListed.insert(entry.first);
            }
        }
        for (const auto &entry : listed)
            EXPECT_TRUE(exportedListed.count(entry.first)) << entry.first << " is listed but not exported";
    }
    for (const auto &library : allowed) {
        bool known = false;
        for (const LinkageLibrary &sdk : kSdkLibraries)
            known = known || library.first == sdk.name;
        EXPECT_TRUE(known) << "KyExports.internal names no SDK library " << library.first;
    }
}

// The ky:: names of the map's global section, without "typeinfo for" and a trailing "::*" or "*".
std::set<std::string> MapInternalNames()
{
    std::set<std::string> names;
    std::ifstream file(kExportMap);
    EXPECT_TRUE(file) << kExportMap;
    std::string line;
    bool global = false;
    while (std::getline(file, line)) {
        const size_t first = line.find_first_not_of(' ');
        if (first == std::string::npos)
            continue;
        std::string item = line.substr(first);
        if (item.rfind("global:", 0) == 0)
            global = true;
        if (item.rfind("local:", 0) == 0)
            global = false;
        if (!global || item.empty() || item.back() != ';')
            continue;
        item.pop_back();
        for (const char *prefix : {"typeinfo?name?for?", "typeinfo?for?"}) {
            if (item.rfind(prefix, 0) == 0)
                item = item.substr(std::string(prefix).size());
        }
        if (item.rfind("ky::", 0) != 0)
            continue;
        for (const char *suffix : {"::*", "*"}) {
            const std::string tail(suffix);
            if (item.size() > tail.size() &&
                item.compare(item.size() - tail.size(), tail.size(), tail) == 0) {
                item.erase(item.size() - tail.size());
                break;
            }
        }
        names.insert(item);
    }
    return names;
}

TEST(Exports, TheMapExportsExactlyTheListedInternalNames)
{
    std::set<std::string> listed;
    for (const auto &library : ReadAllowList()) {
        for (const auto &entry : library.second)
            listed.insert(entry.first);
    }
    EXPECT_FALSE(listed.empty());
    EXPECT_EQ(MapInternalNames(), listed);
}

// The shared objects a file needs, directly or through the SDK's own libraries (found beside the
// first SDK library): the sonames of its DT_NEEDED entries, recursively.
void CollectNeeded(const std::string &file, const std::string &libraryDir, std::set<std::string> &needed)
{
    bool ok = false;
    for (const std::string &line : Run("readelf -d '" + file + "'", ok)) {
        const size_t open = line.find("(NEEDED)");
        const size_t from = line.find('[');
        const size_t to = line.find(']');
        if (open == std::string::npos || from == std::string::npos || to == std::string::npos || to < from)
            continue;
        const std::string soname = line.substr(from + 1, to - from - 1);
        if (!needed.insert(soname).second)
            continue;
        const std::string path = libraryDir + "/" + soname;
        if (std::ifstream(path).good())
            CollectNeeded(path, libraryDir, needed);
    }
    EXPECT_TRUE(ok) << "readelf failed on " << file;
}

TEST(Needs, ClientLibrariesAndProgramsNeedNoSoftDeviceLibrary)
{
    const std::string first = kSdkLibraries[0].file;
    const std::string libraryDir = first.substr(0, first.rfind('/'));
    for (const char *file : kClientFiles) {
        std::set<std::string> needed;
        CollectNeeded(file, libraryDir, needed);
        EXPECT_FALSE(needed.empty()) << file;
        EXPECT_EQ(needed.count(kSoftDeviceSoname), 0u) << file << " needs " << kSoftDeviceSoname;
    }
}

}  // namespace
