// Device: what the settings-file operations share: their success record and their failures.
#include "Device.h"
#include "ResultCodes.h"

namespace ky::camctrl {

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

}  // namespace ky::camctrl
