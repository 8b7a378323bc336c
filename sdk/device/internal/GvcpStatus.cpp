#include "GvcpStatus.h"

#include <cstdio>

namespace ky {
namespace device {

namespace {
struct StatusEntry
{
    gev::Status status;
    uint32_t code;
    const char *meaning;
};

const StatusEntry kStatusTable[] = {
    {gev::Status::INVALID_ADDRESS, KY_INVALID_PARAMETER, "the device has no register at this address"},
    {gev::Status::INVALID_PARAMETER, KY_INVALID_PARAMETER, "the device refused a parameter of the command"},
    {gev::Status::BAD_ALIGNMENT, KY_INVALID_PARAMETER,
     "the address or length is not aligned as the device needs"},
    {gev::Status::WRITE_PROTECT, KY_NOT_SUPPORTED, "the register is read-only"},
    {gev::Status::ACCESS_DENIED, KY_STATE_ERROR, "the device refuses access without control privilege"},
    {gev::Status::BUSY, KY_BUSY, "the device is busy"},
    {gev::Status::NOT_IMPLEMENTED, KY_NOT_IMPLEMENTED, "the device does not implement the command"},
    {gev::Status::WRONG_CONFIG, KY_NETWORK_CONFIG_ERROR,
     "the device's configuration does not allow the command"},
};
}  // namespace

KyResult ResultForStatus(gev::Status status, gev::Command command, uint32_t address)
{
    uint32_t code = KY_GENERIC_ERROR;
    const char *meaning = "the command failed on the device";
    for (const StatusEntry &entry : kStatusTable) {
        if (entry.status == status) {
            code = entry.code;
            meaning = entry.meaning;
            break;
        }
    }
    char text[200];
    std::snprintf(text, sizeof text, "%s at 0x%08X: %s (status %s, 0x%04X).", gev::CommandName(command),
                  address, meaning, gev::StatusName(status), static_cast<unsigned>(status));
    return KyResult(code, text);
}

}  // namespace device
}  // namespace ky
