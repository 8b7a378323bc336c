// Device: what the settings-file operations share: the choice of features, their success record
// and their failures.
#include "Device.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ResultCodes.h"
#include "SourcePlace.h"

namespace ky::camctrl {

namespace {

bool Saved(KyGenType type)
{
    return type == KyGenTypeInteger || type == KyGenTypeEnum || type == KyGenTypeBoolean ||
           type == KyGenTypeString || type == KyGenTypeFloat;
}

// A yes/no question to a feature: true only when it answers, and answers yes.
template <class Question>
bool Yes(Question &&question)
{
    bool answer = false;
    return question(answer).IsOK() && answer;
}

}  // namespace

bool Device::IsHexInteger(const std::string &name)
{
    KyGenInteger *integer = FindInteger(name);
    KyGenRepresentation representation = KyGenRepresentationUndefined;
    return integer && integer->GetRepresentation(representation).IsOK() &&
           representation == KyGenRepresentationHexNumber;
}

std::vector<SettingsFeature> Device::ChooseSettings(int visibility)
{
    std::vector<SettingsFeature> chosen;
    KyGenParameterArray *parameters = Parameters();
    if (!parameters)
        return chosen;
    const uint32_t count = parameters->GetCount();
    const auto level = static_cast<KyGenVisibility>(visibility);
    for (uint32_t index = 0; index < count; ++index) {
        KyGenParameter *parameter = parameters->Get(index);
        if (!parameter)
            continue;
        if (!Yes([&](bool &a) { return parameter->IsVisible(level, a); }) ||
            !Yes([&](bool &a) { return parameter->IsAvailable(a); }) ||
            !Yes([&](bool &a) { return parameter->IsReadable(a); }) ||
            !Yes([&](bool &a) { return parameter->IsWritable(a); }))
            continue;
        KyGenType type = KyGenTypeUndefined;
        if (!parameter->GetType(type).IsOK() || !Saved(type))
            continue;
        KyString name;
        if (!parameter->GetName(name).IsOK())
            continue;
        if (type == KyGenTypeInteger && IsHexInteger(name.GetAscii()))
            continue;
        chosen.push_back({parameter, name.GetAscii(), type});
    }
    return chosen;
}

void Device::CallRecord(const char *operation)
{
    SetResult(KyResult());
    if (m_detailedLog)
        WriteLogFile(LogInfo::Call(operation));
}

int Device::SettingsFailure(const char *operation, uint32_t code, const char *description, const char *file,
                            int line)
{
    SetResult(code, description);
    return Fail(operation, file, line);
}

int Device::ReadSettings(const char *operation, const char *path, std::string &text)
{
    switch (ReadSettingsFile(path, text)) {
    case SettingsRead::Read:
        return BNK_OK;
    case SettingsRead::TooLarge:
        return SettingsFailure(
            operation, KY_FILE_ERROR,
            "The settings file is larger than 16 MiB (16777216 bytes); nothing was applied.", CAMCTRL_HERE);
    case SettingsRead::CannotRead:
    default:
        return SettingsFailure(operation, KY_CANNOT_OPEN_FILE,
                               "The settings file cannot be read (missing, unreadable, or a device, socket "
                               "or folder).",
                               CAMCTRL_HERE);
    }
}

}  // namespace ky::camctrl
