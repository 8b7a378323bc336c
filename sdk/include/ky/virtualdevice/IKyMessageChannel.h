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

    /// Sends an event without data to the controller and waits for its acknowledge.
    ///
    /// @param[in] aEventID a standard event code, or 0x9000 to 0xFFFF for a custom event
    /// @param[in] aBlockID the block of a stream channel the event belongs to, 0 for none
    /// @param[in] aChannelIndex the stream channel the event belongs to, 0xFFFF for none
    ///
    /// @return KY_OK, KY_STATE_ERROR (the channel is not open), KY_TIMEOUT (no acknowledge)
    virtual KyResult FireEvent(uint16_t aEventID, uint64_t aBlockID = 0, uint16_t aChannelIndex = 0xFFFF) = 0;
    /// Sends an event with data to the controller and waits for its acknowledge.
    ///
    /// @param[in] aEventID a standard event code, or 0x9000 to 0xFFFF for a custom event
    /// @param[in] aData the event's data (a bytes object in Python)
    /// @param[in] aDataLength its length in bytes: a non-zero multiple of 4 that fits one packet
    /// @param[in] aBlockID the block of a stream channel the event belongs to, 0 for none
    /// @param[in] aChannelIndex the stream channel the event belongs to, 0xFFFF for none
    ///
    /// @return KY_OK, KY_STATE_ERROR (the channel is not open), KY_TIMEOUT (no acknowledge),
    ///         KY_INVALID_PARAMETER (no data, or a length that is zero, not a multiple of 4 or too long)
    virtual KyResult FireEvent(uint16_t aEventID, uint8_t *aData, uint32_t aDataLength, uint64_t aBlockID = 0,
                               uint16_t aChannelIndex = 0xFFFF) = 0;
    /// Whether a controller holds control and has set the message channel's destination (MCDA, MCP).
    ///
    /// @return true while events can be sent
    virtual bool IsOpened() = 0;
};
