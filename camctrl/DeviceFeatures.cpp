// Device: the camera's GenICam features by name, and raw device memory.
#include <cinttypes>
#include <cstdio>

#include "Device.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ResultCodes.h"
#include "SourcePlace.h"
#include "TextOut.h"

namespace ky::camctrl {

namespace {

std::string Decimal(int64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64, value);
    return text;
}

std::string Fixed(double value)
{
    char text[512];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

const char *BoolText(bool value) { return value ? "true" : "false"; }

}  // namespace

KyGenParameterArray *Device::Parameters() { return m_device ? m_device->GetParameters() : nullptr; }

int Device::Refuse(const char *operation, const char *feature, const char *file, int line)
{
    SetResult(KY_INVALID_PARAMETER, INVALID_PARAMETER_TEXT);
    return feature ? Fail(operation, file, line, feature) : Fail(operation, file, line);
}

int Device::Finish(const char *operation, const char *feature, const KyResult &result,
                   const std::string &value, const char *file, int line)
{
    SetResult(result);
    if (!result.IsOK())
        return Fail(operation, file, line, feature);
    if (m_detailedLog)
        WriteLogFile(LogInfo::TextValue(operation, feature, value));
    return BNK_OK;
}

int Device::TextOut(const char *operation, const char *feature, const std::string &value, char *text,
                    unsigned int *length, const char *file, int line, bool logValue)
{
    const TextOutcome outcome = PutText(value, text, length);
    if (outcome == TextOutcome::TooSmall) {
        SetResult(KY_BUFFER_TOO_SMALL, BUFFER_TOO_SMALL_TEXT);
        return Fail(operation, file, line);
    }
    if (m_detailedLog)
        WriteLogFile(LogInfo::TextValue(operation, feature,
                                        logValue && outcome == TextOutcome::Copied ? value : std::string()));
    return BNK_OK;
}

int Device::SetIntReg(const char *name, int64_t value)
{
    if (!name)
        return Refuse("SetIntReg", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    return Finish("SetIntReg", name, Parameters()->SetIntegerValue(name, value), Decimal(value),
                  CAMCTRL_HERE);
}

int Device::GetIntReg(const char *name, int64_t *value)
{
    if (!name || !value)
        return Refuse("GetIntReg", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    const KyResult result = Parameters()->GetIntegerValue(name, *value);
    return Finish("GetIntReg", name, result, Decimal(*value), CAMCTRL_HERE);
}

int Device::SetFloatReg(const char *name, double value)
{
    if (!name)
        return Refuse("SetFloatReg", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    return Finish("SetFloatReg", name, Parameters()->SetFloatValue(name, value), Fixed(value), CAMCTRL_HERE);
}

int Device::GetFloatReg(const char *name, double *value)
{
    if (!name || !value)
        return Refuse("GetFloatReg", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    const KyResult result = Parameters()->GetFloatValue(name, *value);
    return Finish("GetFloatReg", name, result, Fixed(*value), CAMCTRL_HERE);
}

int Device::SetBoolReg(const char *name, bool value)
{
    if (!name)
        return Refuse("SetBoolReg", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    return Finish("SetBoolReg", name, Parameters()->SetBooleanValue(name, value), BoolText(value),
                  CAMCTRL_HERE);
}

int Device::GetBoolReg(const char *name, bool *value)
{
    if (!name || !value)
        return Refuse("GetBoolReg", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    bool read = false;
    const KyResult result = Parameters()->GetBooleanValue(name, read);
    *value = read;
    return Finish("GetBoolReg", name, result, BoolText(read), CAMCTRL_HERE);
}

int Device::SetEnumReg(const char *name, const char *value)
{
    if (!name || !value)
        return Refuse("SetEnumReg", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    return Finish("SetEnumReg", name, Parameters()->SetEnumValue(name, KyString(value)), value, CAMCTRL_HERE);
}

int Device::GetEnumReg(const char *name, char *text, unsigned int *length)
{
    if (!name || !length)
        return Refuse("GetEnumReg", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    KyString value;
    SetResult(Parameters()->GetEnumValue(name, value));
    if (!CallResult().IsOK())
        return Fail("GetEnumReg", CAMCTRL_HERE, name);
    return TextOut("GetEnumReg", name, value.str(), text, length, CAMCTRL_HERE, true);
}

int Device::SetStrReg(const char *name, const char *value)
{
    if (!name || !value)
        return Refuse("SetStrReg", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    return Finish("SetStrReg", name, Parameters()->SetStringValue(name, KyString(value)), value,
                  CAMCTRL_HERE);
}

int Device::GetStrReg(const char *name, char *text, unsigned int *length)
{
    if (!name || !length)
        return Refuse("GetStrReg", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    KyString value;
    SetResult(Parameters()->GetStringValue(name, value));
    if (!CallResult().IsOK())
        return Fail("GetStrReg", CAMCTRL_HERE, name);
    return TextOut("GetStrReg", name, value.str(), text, length, CAMCTRL_HERE, true);
}

int Device::SetCmdReg(const char *name)
{
    if (!name)
        return Refuse("SetCmdReg", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    return Finish("SetCmdReg", name, Parameters()->ExecuteCommand(name), std::string(), CAMCTRL_HERE);
}

namespace {

// The typed look-up found nothing: say whether the name is unknown or names another type.
KyResult NoFeature(KyGenParameterArray *parameters, const std::string &name, const char *type)
{
    const std::string text = parameters && parameters->Get(KyString(name))
                                 ? "[" + name + "] is not " + type + " feature"
                                 : "[" + name + "] no such feature";
    return KyResult(KY_NOT_FOUND, KyString(text));
}

}  // namespace

KyGenInteger *Device::FindInteger(const std::string &name, KyResult *why)
{
    KyGenParameterArray *parameters = Parameters();
    KyGenInteger *feature = parameters ? parameters->GetInteger(KyString(name)) : nullptr;
    if (!feature && why)
        *why = NoFeature(parameters, name, "an integer");
    return feature;
}

KyGenEnum *Device::FindEnum(const std::string &name, KyResult *why)
{
    KyGenParameterArray *parameters = Parameters();
    KyGenEnum *feature = parameters ? parameters->GetEnum(KyString(name)) : nullptr;
    if (!feature && why)
        *why = NoFeature(parameters, name, "an enumeration");
    return feature;
}

int Device::GetIntRegRange(const char *name, int64_t *min, int64_t *max, int64_t *increment)
{
    if (!name || !min || !max || !increment)
        return Refuse("GetIntRegRange", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    KyResult why;
    KyGenInteger *feature = FindInteger(name, &why);
    if (!feature) {
        SetResult(why);
        return Fail("GetIntRegRange", CAMCTRL_HERE, name);
    }
    int64_t low = 0, high = 0, step = 0;
    for (const KyResult &result :
         {feature->GetMin(low), feature->GetMax(high), feature->GetIncrement(step)}) {
        SetResult(result);
        if (!result.IsOK())
            return Fail("GetIntRegRange", CAMCTRL_HERE, name);
    }
    *min = low;
    *max = high;
    *increment = step;
    if (m_detailedLog)
        WriteLogFile(LogInfo::TextValue("GetIntRegRange", name, std::string()));
    return BNK_OK;
}

int Device::GetFloatRegRange(const char *name, double *min, double *max)
{
    if (!name || !min || !max)
        return Refuse("GetFloatRegRange", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    return Finish("GetFloatRegRange", name, Parameters()->GetFloatRange(name, *min, *max), std::string(),
                  CAMCTRL_HERE);
}

int Device::GetEnumEntrySize(const char *name, int *count)
{
    if (!name || !count)
        return Refuse("GetEnumEntrySize", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    KyResult why;
    KyGenEnum *feature = FindEnum(name, &why);
    if (!feature) {
        SetResult(why);
        return Fail("GetEnumEntrySize", CAMCTRL_HERE, name);
    }
    int64_t entries = 0;
    const KyResult result = feature->GetEntriesCount(entries);
    if (result.IsOK())
        *count = static_cast<int>(entries);
    return Finish("GetEnumEntrySize", name, result, std::string(), CAMCTRL_HERE);
}

int Device::GetEnumEntryIntValue(const char *name, int index, int *value)
{
    if (!name || !value)
        return Refuse("GetEnumEntryIntValue", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    KyResult why;
    KyGenEnum *feature = FindEnum(name, &why);
    if (!feature) {
        SetResult(why);
        return Fail("GetEnumEntryIntValue", CAMCTRL_HERE, name);
    }
    const KyGenEnumEntry *entry = nullptr;
    SetResult(feature->GetEntryByIndex(index, &entry));
    if (CallResult().IsOK() && !entry)
        SetResult(KY_NOT_FOUND, "The enumeration has no entry at that index.");
    if (!CallResult().IsOK())
        return Fail("GetEnumEntryIntValue", CAMCTRL_HERE, name);
    int64_t entryValue = 0;
    const KyResult result = entry->GetValue(entryValue);
    if (result.IsOK())
        *value = static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(entryValue) & 0xFFFFFFFFu));
    return Finish("GetEnumEntryIntValue", name, result, std::string(), CAMCTRL_HERE);
}

int Device::GetEnumEntryValue(const char *name, int index, char *text, unsigned int *length)
{
    if (!name || !length)
        return Refuse("GetEnumEntryValue", name, CAMCTRL_HERE);
    if (!IsConnected())
        return CallError();
    KyResult why;
    KyGenEnum *feature = FindEnum(name, &why);
    if (!feature) {
        SetResult(why);
        return Fail("GetEnumEntryValue", CAMCTRL_HERE, name);
    }
    const KyGenEnumEntry *entry = nullptr;
    SetResult(feature->GetEntryByIndex(index, &entry));
    if (CallResult().IsOK() && !entry)
        SetResult(KY_NOT_FOUND, "The enumeration has no entry at that index.");
    if (!CallResult().IsOK())
        return Fail("GetEnumEntryValue", CAMCTRL_HERE, name);
    KyString entryName;
    SetResult(entry->GetName(entryName));
    if (!CallResult().IsOK())
        return Fail("GetEnumEntryValue", CAMCTRL_HERE, name);
    return TextOut("GetEnumEntryValue", name, entryName.str(), text, length, CAMCTRL_HERE, false);
}

int Device::ReadParam(unsigned char *data, int64_t address, int64_t length)
{
    if (!IsConnected())
        return CallError();
    if (!data && length != 0)
        return Refuse("ReadParam", nullptr, CAMCTRL_HERE);
    SetResult(m_device->ReadMemory(address, data, length));
    std::printf("%s\n", CallResult().GetDescription().GetAscii());
    if (!CallResult().IsOK())
        return Fail("ReadParam", CAMCTRL_HERE);
    return BNK_OK;
}

int Device::WriteParam(const unsigned char *data, int64_t address, int64_t length)
{
    if (!IsConnected())
        return CallError();
    if (!data && length != 0)
        return Refuse("WriteParam", nullptr, CAMCTRL_HERE);
    SetResult(m_device->WriteMemory(address, data, length));
    if (!CallResult().IsOK())
        return Fail("WriteParam", CAMCTRL_HERE);
    return BNK_OK;
}

}  // namespace ky::camctrl
