#include "ResultCodes.h"

namespace ky::camctrl {

int ConvertErrorCode(uint32_t sdkCode)
{
    switch (sdkCode) {
    case KY_OK:
        return BNK_OK;
    case KY_ABORTED:
        return BNK_ERR_ABORTED;
    case KY_BUFFER_TOO_SMALL:
        return BNK_ERR_BUFFER_TOO_SMALL;
    case KY_CANNOT_OPEN_FILE:
        return BNK_ERR_CANNOT_OPEN_FILE;
    case KY_FILE_ERROR:
        return BNK_ERR_FILE;
    case KY_NETWORK_ERROR:
        return BNK_ERR_NETWORK;
    case KY_NO_AVAILABLE_DATA:
        return BNK_ERR_NO_AVAILABLE_DATA;
    case KY_NO_MORE_ITEM:
        return BNK_ERR_NO_MORE_ITEM;
    case KY_NOT_CONNECTED:
        return BNK_ERR_NOT_CONNECTED;
    case KY_NOT_ENOUGH_MEMORY:
        return BNK_ERR_NOT_ENOUGH_MEMORY;
    case KY_NOT_FOUND:
        return BNK_ERR_NOT_FOUND;
    case KY_NOT_SUPPORTED:
        return BNK_ERR_NOT_SUPPORTED;
    case KY_ERR_OVERFLOW:
        return BNK_ERR_OVERFLOW;
    case KY_STATE_ERROR:
        return BNK_ERR_STATE;
    case KY_THREAD_ERROR:
        return BNK_ERR_THREAD;
    case KY_TIMEOUT:
        return BNK_ERR_TIMEOUT;
    case KY_IMAGE_ERROR:
        return BNK_ERR_IMAGE;
    case KY_MISSING_PACKETS:
        return BNK_ERR_MISSING_PACKETS;
    case KY_RESYNC:
        return BNK_ERR_RESYNC;
    case KY_BAD_VERSION:
        return BNK_ERR_BAD_VERSION;
    case KY_BUSY:
        return BNK_ERR_BUSY;
    case KY_CORRUPTED_DATA:
        return BNK_ERR_CORRUPTED_DATA;
    case KY_INVALID_DATA_FORMAT:
        return BNK_ERR_INVALID_DATA_FORMAT;
    case KY_NO_MORE_ENTRY:
        return BNK_ERR_NO_MORE_ENTRY;
    case KY_NOT_IMPLEMENTED:
        return BNK_ERR_NOT_IMPLEMENTED;
    case KY_NOT_INITIALIZED:
        return BNK_ERR_NOT_INITIALIZED;
    case KY_GENICAM_XML_ERROR:
        return BNK_ERR_GENICAM_XML;
    case KY_CANT_READ_MANIFEST:
        return BNK_ERR_CANT_READ_MANIFEST;
    case KY_TOO_MANY_RESENDS:
        return BNK_ERR_TOO_MANY_RESENDS;
    case KY_RESENDS_FAILURE:
        return BNK_ERR_RESENDS_FAILURE;
    case KY_AUTO_ABORTED:
        return BNK_ERR_AUTO_ABORTED;
    case KY_TOO_MANY_CONSECUTIVE_RESENDS:
        return BNK_ERR_TOO_MANY_CONSECUTIVE_RESENDS;
    case KY_INVALID_PARAMETER:
        return BNK_ERR_INVALID_PARAMETER;
    case KY_CANCEL:
        return BNK_ERR_CANCEL;
    case KY_PENDING:
        return BNK_ERR_PENDING;
    default:
        return BNK_ERR_GENERIC;
    }
}

namespace {

// No default label: a code added to bnkResult without a text fails the build (-Wswitch).
const char *TextOf(bnkResult code)
{
    switch (code) {
    case BNK_OK:
        return "Success.";
    case BNK_ERR_GENERIC:
        return "Unexpected failure.";
    case BNK_ERR_NOT_INITIALIZED:
        return "Not initialised: the enumeration list was never built, or image memory is missing.";
    case BNK_ERR_NOT_IMPLEMENTED:
        return "Not implemented.";
    case BNK_ERR_BUSY:
        return "Busy: not allowed while acquisition runs or a grab callback is registered.";
    case BNK_ERR_STATE:
        return "The current state does not allow the action.";
    case BNK_ERR_NOT_CONNECTED:
        return NOT_CONNECTED_TEXT;
    case BNK_ERR_NOT_FOUND:
        return "Not found.";
    case BNK_ERR_NO_MORE_ITEM:
        return "No more item.";
    case BNK_ERR_INVALID_PARAMETER:
        return INVALID_PARAMETER_TEXT;
    case BNK_ERR_FILE:
        return "File error.";
    case BNK_ERR_TIMEOUT:
        return TIMEOUT_TEXT;
    case BNK_ERR_ABORTED:
        return "The operation was aborted.";
    case BNK_ERR_BUFFER_TOO_SMALL:
        return "The buffer is too small.";
    case BNK_ERR_CANNOT_OPEN_FILE:
        return "The file cannot be opened.";
    case BNK_ERR_THREAD:
        return "Thread error.";
    case BNK_ERR_INVALID_DATA_FORMAT:
        return "Invalid data format.";
    case BNK_ERR_NOT_ENOUGH_MEMORY:
        return "Not enough memory.";
    case BNK_ERR_CANCEL:
        return "Cancelled.";
    case BNK_ERR_PENDING:
        return "Pending.";
    case BNK_ERR_CANT_READ_MANIFEST:
        return "The device's manifest cannot be read.";
    case BNK_ERR_NOT_SUPPORTED:
        return "Not supported.";
    case BNK_ERR_OVERFLOW:
        return "Overflow.";
    case BNK_ERR_IMAGE:
        return "Image error.";
    case BNK_ERR_MISSING_PACKETS:
        return "Packets of the block are missing.";
    case BNK_ERR_TOO_MANY_RESENDS:
        return "Too many packet resends.";
    case BNK_ERR_RESENDS_FAILURE:
        return "Packet resends failed.";
    case BNK_ERR_TOO_MANY_CONSECUTIVE_RESENDS:
        return "Too many consecutive packet resends.";
    case BNK_ERR_AUTO_ABORTED:
        return "The block was aborted automatically.";
    case BNK_ERR_BAD_VERSION:
        return "Bad version.";
    case BNK_ERR_NO_MORE_ENTRY:
        return "No more entry.";
    case BNK_ERR_NO_AVAILABLE_DATA:
        return "No data available.";
    case BNK_ERR_NETWORK:
        return "Network error.";
    case BNK_ERR_RESYNC:
        return "The stream resynchronised.";
    case BNK_ERR_CORRUPTED_DATA:
        return "Corrupted data.";
    case BNK_ERR_GENICAM_XML:
        return "The device's GenICam XML is not valid.";
    case BNK_ERR_NO_DEVICE:
        return NO_DEVICE_TEXT;
    case BNK_ERR_NO_SYSTEM:
        return NO_SYSTEM_TEXT;
    case BNK_ERR_SYSTEM_NOT_INITIALIZED:
        return "The system object is not initialised.";
    }
    return nullptr;
}

}  // namespace

const char *LibraryCodeText(int code)
{
    // Only values of the enumeration reach the switch; -1020 is the one gap in the range.
    const bool known =
        code == 0 || (code <= BNK_ERR_GENERIC && code >= BNK_ERR_SYSTEM_NOT_INITIALIZED && code != -1020);
    const char *text = known ? TextOf(static_cast<bnkResult>(code)) : nullptr;
    return text ? text : "Unknown result code.";
}

}  // namespace ky::camctrl
