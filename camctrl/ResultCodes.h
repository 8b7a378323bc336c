// Library result codes: the one table from SDK result codes to library codes, a text for every
// library code, and the descriptions that the library stores with conditions of its own.
#pragma once

#include <cstdint>

#include "ky/base/KyResult.h"
#include "ky/camctrl/bnkCamCtrl.h"

namespace ky::camctrl {

// The library code of an SDK result code; codes without a library code of their own give
// BNK_ERR_GENERIC. A pure function of the code.
int ConvertErrorCode(uint32_t sdkCode);

// A text for every library code (0 included); codes outside the table get a text saying so.
const char *LibraryCodeText(int code);

// Descriptions stored with the SDK code of a condition the library detects itself.
inline constexpr const char NOT_CONNECTED_TEXT[] = "The object(Device or Stream object) isn't connected.";
inline constexpr const char BUFFER_TOO_SMALL_TEXT[] =
    "The buffer was not large enough to hold the payload of the block being received.";
inline constexpr const char INVALID_PARAMETER_TEXT[] = "A parameter passed to the method is invalid.";
inline constexpr const char STATE_ERROR_TEXT[] =
    "The method is (probably) legal, but the system's current state doesn't allow the action.";
inline constexpr const char TIMEOUT_TEXT[] = "The operation timed out.";

// Fixed texts of ST_GetLastErrorDescription.
inline constexpr const char NO_SYSTEM_TEXT[] = "The system has not been initialized.";
inline constexpr const char NO_DEVICE_TEXT[] = "No connectable devices.";

}  // namespace ky::camctrl
