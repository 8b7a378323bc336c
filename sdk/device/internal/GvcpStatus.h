// GigE Vision status codes as SDK results.
//
//   INVALID_ADDRESS, INVALID_PARAMETER, BAD_ALIGNMENT  -> KY_INVALID_PARAMETER
//   WRITE_PROTECT                                      -> KY_NOT_SUPPORTED (read-only register)
//   ACCESS_DENIED                                      -> KY_STATE_ERROR (no control privilege)
//   BUSY                                               -> KY_BUSY
//   NOT_IMPLEMENTED                                    -> KY_NOT_IMPLEMENTED
//   WRONG_CONFIG                                       -> KY_NETWORK_CONFIG_ERROR
//   anything else                                      -> KY_GENERIC_ERROR
// The description names the status, its number, the command and the address.
#pragma once

#include <cstdint>

#include "ky/base/KyResult.h"
#include "gev/Gvcp.h"

namespace ky {
namespace device {

KyResult ResultForStatus(gev::Status status, gev::Command command, uint32_t address);

}  // namespace device
}  // namespace ky
