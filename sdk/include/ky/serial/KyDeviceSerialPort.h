// KyDeviceSerialPort: a serial port (UART) of a connected device, reached through the device's
// control link (the register block of ky/device/KySerialRegisters.h).
//
// While the port is open, received bytes gather in the port's receive buffer until Read takes
// them; bytes that do not fit wait in the device. Where the device's own receive FIFO fills up
// meanwhile, the device drops what arrives; the next Read then answers KY_ERR_OVERFLOW (once
// per overflow), with the bytes that were kept read as usual. Write blocks while the bytes are on the line,
// at the device's baud rate (its BAUD_RATE register), so GetWriteProgress from another thread
// shows how far it got. Read, Write and the other calls may come from different threads. The
// device adapter given to Open must stay alive, and its device connected, while the port is open.
#pragma once

#include "ky/serial/KySerialExport.h"

#include <cstdint>
#include <memory>

#include "ky/base/KyEnums.h"
#include "ky/base/KyResult.h"

class IKyDeviceAdapter;
class KyDeviceSerialPortEchoSink;

class KY_SERIAL_API KyDeviceSerialPort
{
public:
    /// Constructor; the port is closed.
    KyDeviceSerialPort();
    /// Destructor; closes the port.
    virtual ~KyDeviceSerialPort();
    KyDeviceSerialPort(const KyDeviceSerialPort &) = delete;
    KyDeviceSerialPort &operator=(const KyDeviceSerialPort &) = delete;

    /// Opens a serial port of a device; bytes waiting in the device from before are dropped.
    ///
    /// @param[in] aDevice Adapter of a connected device.
    /// @param[in] aPort The port (KyDeviceSerial0 on the kit's soft devices).
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (null device), KY_NOT_CONNECTED, KY_STATE_ERROR (already
    ///         open), KY_NOT_SUPPORTED (the device has no such port)
    KyResult Open(IKyDeviceAdapter *aDevice, KyDeviceSerial aPort);
    /// Closes the port and empties the receive buffer.
    ///
    /// @return KY_OK (also when the port was closed)
    KyResult Close();
    /// Whether the port is open.
    ///
    /// @return true when open
    bool IsOpened();

    /// Sends bytes; returns once they are on the line.
    ///
    /// @param[in] aBuffer The bytes.
    /// @param[in] aSize How many bytes.
    /// @param[out] aBytesWritten Receives how many bytes were sent.
    ///
    /// @return KY_OK, KY_STATE_ERROR (closed), KY_INVALID_PARAMETER (null buffer with a size), or
    ///         the control link's failure (aBytesWritten says how far it got)
    KyResult Write(const uint8_t *aBuffer, uint32_t aSize, uint32_t &aBytesWritten);
    /// How far the current (or last) Write got; may be called from another thread.
    ///
    /// @param[out] aWritten Receives the bytes sent so far.
    /// @param[out] aSize Receives the bytes to send in all.
    ///
    /// @return KY_OK
    KyResult GetWriteProgress(uint32_t &aWritten, uint32_t &aSize);
    /// Reads received bytes, waiting up to the time-out for aBufferSize of them.
    ///
    /// @param[out] aBuffer Receives the bytes.
    /// @param[in] aBufferSize How many bytes to read.
    /// @param[out] aBytesRead Receives how many bytes were read.
    /// @param[in] aTimeout Time-out in milliseconds.
    ///
    /// @return KY_OK (aBufferSize bytes read), KY_TIMEOUT (fewer: aBytesRead says how many),
    ///         KY_ERR_OVERFLOW (the device dropped received bytes since the last Read that said
    ///         so, because its receive FIFO was full; aBytesRead says how many were read),
    ///         KY_STATE_ERROR (closed), KY_INVALID_PARAMETER (null buffer with a size)
    KyResult Read(uint8_t *aBuffer, uint32_t aBufferSize, uint32_t &aBytesRead, uint32_t aTimeout);
    /// Tells the registered echo sinks that the program has read what it expected.
    ///
    /// @return KY_OK
    KyResult NotifyReadComplete();
    /// Empties the receive buffer and drops what waits in the device.
    ///
    /// @return KY_OK, KY_STATE_ERROR (closed)
    KyResult FlushRxBuffer();
    /// How many bytes the receive buffer holds (after taking what waits in the device).
    ///
    /// @param[out] aBytes Receives the count.
    ///
    /// @return KY_OK, KY_STATE_ERROR (closed)
    KyResult GetRxBytesReady(uint32_t &aBytes);
    /// The capacity of the receive buffer.
    ///
    /// @param[out] aSize Receives the capacity in bytes.
    ///
    /// @return KY_OK
    KyResult GetRxBufferSize(uint32_t &aSize);
    /// Sets the capacity of the receive buffer.
    ///
    /// @param[in] aSize The capacity in bytes.
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (0), KY_STATE_ERROR (the buffer holds more bytes)
    KyResult SetRxBufferSize(uint32_t aSize);

    /// Whether a device has a serial port.
    ///
    /// @param[in] aDevice Adapter of a connected device.
    /// @param[in] aPort The port.
    ///
    /// @return true when the port can be opened
    static bool IsSupported(IKyDeviceAdapter *aDevice, KyDeviceSerial aPort);
    /// Registers an echo sink for the traffic of all ports; a sink may be registered once.
    ///
    /// @param[in] aEchoSink The sink.
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (null or a repeat)
    static KyResult RegisterEchoSink(KyDeviceSerialPortEchoSink *aEchoSink);
    /// Unregisters an echo sink.
    ///
    /// @param[in] aEchoSink The sink.
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (null), KY_NOT_FOUND (not registered)
    static KyResult UnregisterEchoSink(KyDeviceSerialPortEchoSink *aEchoSink);

    /// Bytes sent since the last ResetStatistics.
    ///
    /// @return the count
    uint64_t GetBytesSent() const;
    /// Bytes received since the last ResetStatistics.
    ///
    /// @return the count
    uint64_t GetBytesReceived() const;
    /// Sets both byte counters back to 0.
    void ResetStatistics();

private:
    struct State;
    std::unique_ptr<State> mState;
};
