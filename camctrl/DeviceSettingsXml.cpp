// Device: the camera's writable settings saved to and applied from an XML settings file
// (versions "1.0" and "1.1").
#include <functional>
#include <regex>
#include <string>

#include <tinyxml2.h>

#include "Device.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ResultCodes.h"
#include "SettingsFiles.h"
#include "SourcePlace.h"

namespace ky::camctrl {

namespace {

const char *const XML_EXTENSIONS[] = {"XML", "xml", "Xml"};

tinyxml2::XMLElement *Child(tinyxml2::XMLDocument &document, tinyxml2::XMLElement &parent, const char *name,
                            const std::string &text)
{
    tinyxml2::XMLElement *element = document.NewElement(name);
    parent.InsertEndChild(element);
    element->SetText(text.c_str());
    return element;
}

std::string TextOf(const tinyxml2::XMLElement &parameter, const char *child)
{
    const tinyxml2::XMLElement *element = parameter.FirstChildElement(child);
    const char *text = element ? element->GetText() : nullptr;
    return text ? text : "";
}

std::string AttributeOf(const tinyxml2::XMLElement &element, const char *name)
{
    const char *value = element.Attribute(name);
    return value ? value : "";
}

// The version named by the document's XML declaration, or "" when it has none.
std::string DeclaredVersion(const tinyxml2::XMLDocument &document)
{
    const tinyxml2::XMLNode *first = document.FirstChild();
    const tinyxml2::XMLDeclaration *declaration = first ? first->ToDeclaration() : nullptr;
    if (!declaration || !declaration->Value())
        return "";
    static const std::regex VERSION("version\\s*=\\s*\"([^\"]+)\"", std::regex::ECMAScript);
    const std::string text = declaration->Value();
    std::smatch match;
    return std::regex_search(text, match, VERSION) ? match[1].str() : "";
}

// Version "1.0": type, value as addr/value/len/option children. A value that does not parse as
// its number kind leaves the parameter alone; an integer shown in hexadecimal is read in base 16.
void ApplyVersion10(KyGenParameterArray &parameters, const tinyxml2::XMLElement &parameter,
                    const std::function<bool(const std::string &)> &isHexInteger)
{
    const std::string name = AttributeOf(parameter, "Name");
    const std::string type = AttributeOf(parameter, "type");
    if (TextOf(parameter, "option") == "1" || IsSessionFeature(name))
        return;
    const std::string value = TextOf(parameter, "value");
    if (type == "INTEGER") {
        if (const auto number = ParseInt64(value, isHexInteger(name) ? 16 : 10))
            (void)parameters.SetIntegerValue(name, *number);
    } else if (type == "ENUM") {
        if (const auto number = ParseInt64(value, 10))
            (void)parameters.SetEnumValue(name, *number);
    } else if (type == "BOOL") {
        (void)parameters.SetBooleanValue(name, value == "1");
    } else if (type == "STRING") {
        (void)parameters.SetStringValue(name, value);
    } else if (type == "FLOAT") {
        if (const auto number = ParseDouble(value))
            (void)parameters.SetFloatValue(name, *number);
    }
}

void ApplyVersion11(KyGenParameterArray &parameters, const tinyxml2::XMLElement &parameter)
{
    const std::string name = AttributeOf(parameter, "Name");
    if (IsSessionFeature(name))
        return;
    const std::string type = AttributeOf(parameter, "Type");
    const std::string value = TextOf(parameter, "Value");
    if (type == "Integer") {
        if (const auto number = ParseInt64(value, 10))
            (void)parameters.SetIntegerValue(name, *number);
    } else if (type == "Enum") {
        (void)parameters.SetEnumValue(name, KyString(value));
    } else if (type == "Boolean") {
        (void)parameters.SetBooleanValue(name, value == "True");
    } else if (type == "String") {
        (void)parameters.SetStringValue(name, value);
    } else if (type == "Float") {
        if (const auto number = ParseDouble(value))
            (void)parameters.SetFloatValue(name, *number);
    }
}

}  // namespace

int Device::ExportXML(const char *path, int format, int visibility)
{
    static constexpr const char OPERATION[] = "ExportXML";
    if (!IsConnected())
        return CallError();
    if (!path)
        return SettingsFailure(OPERATION, KY_INVALID_PARAMETER, INVALID_PARAMETER_TEXT, CAMCTRL_HERE);
    if (format != 0 && format != 1) {
        CallRecord(OPERATION);
        return BNK_OK;
    }
    KyGenParameterArray &parameters = *Parameters();
    KyString model;
    (void)parameters.GetStringValue("DeviceModelName", model);

    tinyxml2::XMLDocument document;
    tinyxml2::XMLElement *root = document.NewElement("Device");
    document.InsertEndChild(root);
    root->SetAttribute("DeviceName", model.GetAscii());
    for (const SettingsFeature &feature : ChooseSettings(visibility)) {
        tinyxml2::XMLElement *element = document.NewElement("Parameter");
        root->InsertEndChild(element);
        element->SetAttribute("Name", feature.name.c_str());
        std::string type10, type11, value10, value11, length = "4";
        switch (feature.type) {
        case KyGenTypeInteger: {
            int64_t value = 0;
            (void)parameters.GetIntegerValue(feature.name, value);
            type10 = "INTEGER", type11 = "Integer", value10 = value11 = DecimalText(value);
            break;
        }
        case KyGenTypeEnum: {
            int64_t value = 0;
            KyString entry;
            (void)parameters.GetEnumValue(feature.name, value);
            (void)parameters.GetEnumValue(feature.name, entry);
            type10 = "ENUM", type11 = "Enum", value10 = DecimalText(value), value11 = entry.GetAscii();
            break;
        }
        case KyGenTypeBoolean: {
            bool value = false;
            (void)parameters.GetBooleanValue(feature.name, value);
            type10 = "BOOL", type11 = "Boolean", value10 = value ? "1" : "0",
            value11 = value ? "True" : "False";
            break;
        }
        case KyGenTypeString: {
            KyString value;
            (void)parameters.GetStringValue(feature.name, value);
            type10 = "STRING", type11 = "String", value10 = value11 = value.GetAscii();
            length = DecimalText(static_cast<int64_t>(value10.size()) + 1);
            break;
        }
        default: {
            double value = 0;
            (void)parameters.GetFloatValue(feature.name, value);
            type10 = "FLOAT", type11 = "Float", value10 = value11 = FloatText(value);
            break;
        }
        }
        if (format == 0) {
            element->SetAttribute("type", type10.c_str());
            Child(document, *element, "addr", "0");
            Child(document, *element, "value", value10);
            Child(document, *element, "len", length);
            Child(document, *element, "option", "0");
        } else {
            element->SetAttribute("Type", type11.c_str());
            Child(document, *element, "Value", value11);
        }
    }
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    std::string content = format == 0 ? "<?xml version=\"1.0\" encoding=\"euc-kr\"?>\n"
                                      : "<?xml version=\"1.1\" encoding=\"euc-kr\"?>\n";
    content += printer.CStr();
    if (!WriteWholeFile(path, content))
        return SettingsFailure(OPERATION, KY_CANNOT_OPEN_FILE, "The settings file cannot be written.",
                               CAMCTRL_HERE);
    CallRecord(OPERATION);
    return BNK_OK;
}

int Device::ImportXML(const char *path)
{
    static constexpr const char OPERATION[] = "ImportXML";
    if (!IsConnected())
        return CallError();
    if (!path)
        return SettingsFailure(OPERATION, KY_INVALID_PARAMETER, INVALID_PARAMETER_TEXT, CAMCTRL_HERE);
    if (!HasExtension(path, {std::begin(XML_EXTENSIONS), std::end(XML_EXTENSIONS)}))
        return SettingsFailure(OPERATION, KY_CANNOT_OPEN_FILE,
                               "A settings file name ends in .XML, .xml or .Xml.", CAMCTRL_HERE);
    std::string text;
    if (const int read = ReadSettings(OPERATION, path, text); read != BNK_OK)
        return read;
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS)
        return SettingsFailure(OPERATION, KY_CANNOT_OPEN_FILE,
                               "The settings file cannot be read or is not well-formed XML.", CAMCTRL_HERE);
    KyGenParameterArray &parameters = *Parameters();
    KyString model;
    (void)parameters.GetStringValue("DeviceModelName", model);
    const tinyxml2::XMLElement *root = document.FirstChildElement();
    const char *deviceName = root ? root->Attribute("DeviceName") : nullptr;
    if (!deviceName || std::string(deviceName) != model.GetAscii())
        return SettingsFailure(OPERATION, KY_NOT_FOUND,
                               "The settings file was made for another camera model.", CAMCTRL_HERE);
    const std::string version = DeclaredVersion(document);
    if (version == "1.0" || version == "1.1") {
        for (const tinyxml2::XMLElement *parameter = root->FirstChildElement("Parameter"); parameter;
             parameter = parameter->NextSiblingElement("Parameter")) {
            if (version == "1.0")
                ApplyVersion10(parameters, *parameter,
                               [this](const std::string &name) { return IsHexInteger(name); });
            else
                ApplyVersion11(parameters, *parameter);
        }
    }
    CallRecord(OPERATION);
    return BNK_OK;
}

}  // namespace ky::camctrl
