// Device: the camera's writable settings saved to and applied from a JSON settings file.
#include <string>
#include <system_error>

#include <nlohmann/json.hpp>

#include "Device.h"
#include "ky/genicam/KyGenParameter.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ResultCodes.h"
#include "SettingsFiles.h"
#include "SourcePlace.h"

namespace ky::camctrl {

namespace {

using Json = nlohmann::ordered_json;

const char *const JSON_EXTENSIONS[] = {"JSON", "json", "Json"};

// Applies one parameter object; one with missing or wrong-typed members is left out.
void ApplyParameter(KyGenParameterArray &parameters, const Json &parameter)
{
    if (!parameter.is_object())
        return;
    const auto name = parameter.find("Name");
    const auto type = parameter.find("Type");
    const auto value = parameter.find("Value");
    if (name == parameter.end() || !name->is_string() || type == parameter.end() || !type->is_string() ||
        value == parameter.end())
        return;
    const std::string feature = name->get<std::string>();
    if (IsSessionFeature(feature))
        return;
    const std::string kind = type->get<std::string>();
    if (kind == "Integer") {
        if (value->is_number_integer() &&
            !(value->is_number_unsigned() && value->get<uint64_t>() > INT64_MAX))
            (void)parameters.SetIntegerValue(feature, value->get<int64_t>());
    } else if (kind == "Float") {
        if (value->is_number())
            (void)parameters.SetFloatValue(feature, value->get<double>());
    } else if (kind == "String") {
        if (value->is_string())
            (void)parameters.SetStringValue(feature, value->get<std::string>());
    } else if (kind == "Boolean") {
        (void)parameters.SetBooleanValue(feature, value->is_string() && value->get<std::string>() == "True");
    } else if (kind == "Enum") {
        if (value->is_string())
            (void)parameters.SetEnumValue(feature, KyString(value->get<std::string>()));
    }
}

}  // namespace

int Device::ExportJson(const char *path, int visibility)
{
    static constexpr const char OPERATION[] = "ExportJson";
    if (!IsConnected())
        return CallError();
    if (!path)
        return SettingsFailure(OPERATION, KY_INVALID_PARAMETER, INVALID_PARAMETER_TEXT, CAMCTRL_HERE);
    KyGenParameterArray &parameters = *Parameters();
    KyString model;
    (void)parameters.GetStringValue("DeviceModelName", model);
    Json document = Json::object();
    document["ModelName"] = model.GetAscii();
    document["Parameters"] = Json::array();
    Json &list = document["Parameters"];
    for (const SettingsFeature &feature : ChooseSettings(visibility)) {
        KyString description;
        (void)feature.parameter->GetDescription(description);
        Json item = Json::object();
        item["Name"] = feature.name;
        switch (feature.type) {
        case KyGenTypeInteger: {
            int64_t value = 0;
            (void)parameters.GetIntegerValue(feature.name, value);
            item["Description"] = description.GetAscii();
            item["Type"] = "Integer";
            item["Value"] = value;
            break;
        }
        case KyGenTypeEnum: {
            KyString value;
            (void)parameters.GetEnumValue(feature.name, value);
            item["Description"] = description.GetAscii();
            item["Type"] = "Enum";
            item["Value"] = value.GetAscii();
            break;
        }
        case KyGenTypeBoolean: {
            bool value = false;
            (void)parameters.GetBooleanValue(feature.name, value);
            item["Type"] = "Boolean";
            item["Description"] = description.GetAscii();
            item["Value"] = value ? "True" : "False";
            break;
        }
        case KyGenTypeString: {
            KyString value;
            (void)parameters.GetStringValue(feature.name, value);
            item["Description"] = description.GetAscii();
            item["Type"] = "String";
            item["Value"] = value.GetAscii();
            break;
        }
        default: {
            double value = 0;
            (void)parameters.GetFloatValue(feature.name, value);
            item["Description"] = description.GetAscii();
            item["Type"] = "Float";
            item["Value"] = value;
            break;
        }
        }
        list.push_back(std::move(item));
    }
    // Texts from the camera are written as they are; bytes that are no UTF-8 become U+FFFD.
    const std::string content = document.dump(4, ' ', false, Json::error_handler_t::replace);
    if (!WriteWholeFile(path, content))
        return SettingsFailure(OPERATION, KY_CANNOT_OPEN_FILE, "The settings file cannot be written.",
                               CAMCTRL_HERE);
    CallRecord(OPERATION);
    return BNK_OK;
}

int Device::ImportJson(const char *path)
{
    static constexpr const char OPERATION[] = "ImportJson";
    if (!IsConnected())
        return CallError();
    if (!path)
        return SettingsFailure(OPERATION, KY_INVALID_PARAMETER, INVALID_PARAMETER_TEXT, CAMCTRL_HERE);
    if (!HasExtension(path, {std::begin(JSON_EXTENSIONS), std::end(JSON_EXTENSIONS)}))
        return SettingsFailure(OPERATION, KY_CANNOT_OPEN_FILE,
                               "A settings file name ends in .JSON, .json or .Json.", CAMCTRL_HERE);
    std::string text;
    if (const int read = ReadSettings(OPERATION, path, text); read != BNK_OK)
        return read;
    const Json document = Json::parse(text, nullptr, false);
    if (document.is_discarded())
        return SettingsFailure(OPERATION, KY_CANNOT_OPEN_FILE, "The settings file is not valid JSON.",
                               CAMCTRL_HERE);
    KyGenParameterArray &parameters = *Parameters();
    KyString model;
    (void)parameters.GetStringValue("DeviceModelName", model);
    const auto modelName = document.is_object() ? document.find("ModelName") : document.end();
    if (!document.is_object() || modelName == document.end() || !modelName->is_string() ||
        modelName->get<std::string>() != model.GetAscii())
        return SettingsFailure(OPERATION, KY_NOT_FOUND,
                               "The settings file was made for another camera model.", CAMCTRL_HERE);
    const auto list = document.find("Parameters");
    if (list != document.end() && list->is_array())
        for (const Json &parameter : *list)
            ApplyParameter(parameters, parameter);
    CallRecord(OPERATION);
    return BNK_OK;
}

}  // namespace ky::camctrl
