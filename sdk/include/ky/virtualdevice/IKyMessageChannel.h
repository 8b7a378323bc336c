// IKyMessageChannel: GigE Vision events from a software device to its controller. Open while a
// controller holds control and has written a destination into MCDA (0x0B10) and MCP (0x0B00).
//
// Event ids: standard codes, or 0x9000 to 0xFFFF for custom events. Block id 0 and channel index
// 0xFFFF when the event belongs to no stream. Each event waits for the controller's acknowledge
// (MCTT milliseconds, MCRC retries). Results: KY_OK; KY_STATE_ERROR while not open; KY_TIMEOUT
// when no acknowledge came; KY_INVALID_PARAMETER for missing data or a length that is zero, not
// a multiple of 4 or above what one packet carries.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstdint>

#include "ky/base/KyResult.h"

class KY_VIRTUALDEVICE_API IKyMessageChannel
{
public:
    virtual ~IKyMessageChannel() { }

    virtual KyResult FireEvent(uint16_t aEventID, uint64_t aBlockID = 0, uint16_t aChannelIndex = 0xFFFF) = 0;
    virtual KyResult FireEvent(uint16_t aEventID, uint8_t *aData, uint32_t aDataLength, uint64_t aBlockID = 0,
                               uint16_t aChannelIndex = 0xFFFF) = 0;
    virtual bool IsOpened() = 0;
};
