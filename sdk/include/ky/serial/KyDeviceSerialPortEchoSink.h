// KyDeviceSerialPortEchoSink: a process-wide observer of the traffic of every device serial port
// (KyDeviceSerialPort::RegisterEchoSink). Its operations are called on the thread of the port
// call that moved the bytes, without the port's locks held; an exception that escapes one is
// caught and dropped. A sink must stay alive while it is registered.
#pragma once

#include "ky/serial/KySerialExport.h"

#include <cstdint>

class KyDeviceSerialPort;

class KY_SERIAL_API KyDeviceSerialPortEchoSink
{
public:
    /// Destructor.
    virtual ~KyDeviceSerialPortEchoSink();

    /// Bytes a port put on the line.
    ///
    /// @param[in] aPort the port
    /// @param[in] aData the bytes, valid during the call only
    /// @param[in] aLength how many bytes
    virtual void OnDataSent(KyDeviceSerialPort *aPort, const uint8_t *aData, uint32_t aLength);
    /// Bytes a port received into its receive buffer.
    ///
    /// @param[in] aPort the port
    /// @param[in] aData the bytes, valid during the call only
    /// @param[in] aLength how many bytes
    virtual void OnDataReceived(KyDeviceSerialPort *aPort, const uint8_t *aData, uint32_t aLength);
    /// The program said it has read what it expected (KyDeviceSerialPort::NotifyReadComplete).
    ///
    /// @param[in] aPort the port
    virtual void OnReadComplete(KyDeviceSerialPort *aPort);
};
