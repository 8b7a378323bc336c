// U3vStreamSender: the device's side of a USB3 Vision stream: one image block as leader, payload
// transfers of at most `maxPayloadTransfer` bytes, and trailer, on the stream pipe.
#pragma once

#include <cstddef>
#include <cstdint>

#include "u3v/U3vStreamFormat.h"
#include "u3v/UsbEndpoint.h"

namespace ky::u3v {

// Stops at the first transfer that fails and returns its status.
TransferStatus SendImageBlock(IUsbBulkPipe &pipe, const U3vImageLeader &leader, const uint8_t *payload,
                              size_t size, size_t maxPayloadTransfer, uint32_t timeoutMs);

}  // namespace ky::u3v
