#include "XmlLoader.h"

#include <functional>

#include <tinyxml2.h>

#include "NodeMap.h"
#include "nodes/Boolean.h"
#include "nodes/Category.h"
#include "nodes/Command.h"
#include "nodes/Converter.h"
#include "nodes/Enumeration.h"
#include "nodes/Float.h"
#include "nodes/FloatReg.h"
#include "nodes/IntReg.h"
#include "nodes/Integer.h"
#include "nodes/Port.h"
#include "nodes/Register.h"
#include "nodes/String.h"
#include "nodes/StringReg.h"
#include "nodes/Stub.h"
#include "nodes/SwissKnife.h"

namespace ky::gc {
namespace {

using Factory = std::unique_ptr<Node> (*)(NodeMap &);

template <typename T>
std::unique_ptr<Node> Make(NodeMap &map, const char *tag)
{
    return std::make_unique<T>(map, tag);
}

// XML tag -> node kind. StructReg is expanded by the loader (one node per StructEntry).
const std::pair<const char *, Factory> kFactories[] = {
    {"Category", [](NodeMap &m) { return Make<Category>(m, "Category"); }},
    {"Integer", [](NodeMap &m) { return Make<Integer>(m, "Integer"); }},
    {"Float", [](NodeMap &m) { return Make<Float>(m, "Float"); }},
    {"Boolean", [](NodeMap &m) { return Make<Boolean>(m, "Boolean"); }},
    {"Command", [](NodeMap &m) { return Make<Command>(m, "Command"); }},
    {"Enumeration", [](NodeMap &m) { return Make<Enumeration>(m, "Enumeration"); }},
    {"String", [](NodeMap &m) { return Make<String>(m, "String"); }},
    {"Register", [](NodeMap &m) { return Make<Register>(m, "Register"); }},
    {"IntReg",
     [](NodeMap &m) -> std::unique_ptr<Node> { return std::make_unique<IntReg>(m, "IntReg", false); }},
    {"MaskedIntReg",
     [](NodeMap &m) -> std::unique_ptr<Node> { return std::make_unique<IntReg>(m, "MaskedIntReg", true); }},
    {"FloatReg", [](NodeMap &m) { return Make<FloatReg>(m, "FloatReg"); }},
    {"StringReg", [](NodeMap &m) { return Make<StringReg>(m, "StringReg"); }},
    {"IntSwissKnife",
     [](NodeMap &m) -> std::unique_ptr<Node> {
         return std::make_unique<SwissKnife>(m, "IntSwissKnife", true);
     }},
    {"SwissKnife",
     [](NodeMap &m) -> std::unique_ptr<Node> {
         return std::make_unique<SwissKnife>(m, "SwissKnife", false);
     }},
    {"IntConverter",
     [](NodeMap &m) -> std::unique_ptr<Node> {
         return std::make_unique<Converter>(m, "IntConverter", true);
     }},
    {"Converter",
     [](NodeMap &m) -> std::unique_ptr<Node> { return std::make_unique<Converter>(m, "Converter", false); }},
    {"Port", [](NodeMap &m) { return Make<Port>(m, "Port"); }},
};

Factory FindFactory(const std::string &tag)
{
    for (auto &f : kFactories)
        if (tag == f.first)
            return f.second;
    return nullptr;
}

KyResult AddNode(NodeMap &map, std::unique_ptr<Node> node, const tinyxml2::XMLElement &e,
                 const tinyxml2::XMLElement *inherited)
{
    KyResult r = node->Load(e, inherited);
    if (!r.IsOK())
        return r;
    std::string name = node->Name();
    if (!map.Add(std::move(node)))
        return KyResult(KY_GENICAM_XML_ERROR, KyString("two nodes are named '" + name + "' (line " +
                                                       std::to_string(e.GetLineNum()) + ")"));
    return r;
}

KyResult LoadChildren(NodeMap &map, const tinyxml2::XMLElement &parent, int depth)
{
    if (depth > 16)
        return KyResult(KY_GENICAM_XML_ERROR, KyString("groups are nested too deeply"));
    for (const tinyxml2::XMLElement *e = parent.FirstChildElement(); e; e = e->NextSiblingElement()) {
        std::string tag = e->Name();
        KyResult r;
        if (tag == "Group") {
            r = LoadChildren(map, *e, depth + 1);
        } else if (tag == "StructReg") {
            for (const tinyxml2::XMLElement *s = e->FirstChildElement("StructEntry"); s && r.IsOK();
                 s = s->NextSiblingElement("StructEntry"))
                r = AddNode(map, std::make_unique<IntReg>(map, "StructEntry", true), *s, e);
        } else if (Factory make = FindFactory(tag)) {
            r = AddNode(map, make(map), *e, nullptr);
        } else {
            const char *name = e->Attribute("Name");
            NodeMap::Warn("skips the unknown element <" + tag + "> '" + (name ? name : "") + "' on line " +
                          std::to_string(e->GetLineNum()));
            // Referenced names of unknown kinds still resolve, to a node that is not supported.
            if (name && *name && !map.Find(name)) {
                auto stub = std::make_unique<Stub>(map, tag);
                r = stub->Load(*e);
                if (r.IsOK())
                    map.Add(std::move(stub));
            }
        }
        if (!r.IsOK())
            return r;
    }
    return KyResult();
}

}  // namespace

KyResult LoadNodes(NodeMap &map, const std::string &xml)
{
    tinyxml2::XMLDocument doc;
    if (doc.Parse(xml.c_str(), xml.size()) != tinyxml2::XML_SUCCESS)
        return KyResult(KY_GENICAM_XML_ERROR,
                        KyString(std::string("malformed GenICam XML: ") + doc.ErrorStr()));
    const tinyxml2::XMLElement *root = doc.RootElement();
    if (!root || std::string(root->Name()) != "RegisterDescription")
        return KyResult(KY_GENICAM_XML_ERROR, KyString("the GenICam XML has no <RegisterDescription> root"));
    return LoadChildren(map, *root, 0);
}

}  // namespace ky::gc
