// IKyRegister: a register of a software device, its content and its event sinks.
//
// Content is stored as a GigE Vision controller sees it: integers, floats and doubles big-endian.
// Every access, from the program or from a controller, runs the register's event sinks
// (PreRead/PostRead, PreWrite/PostWrite); a failing Pre* result refuses the access and a refused
// write leaves the former content. Safe to use from several threads at once: sinks are called
// with no lock of the register held (a sink may read any register and write its own), writes of one
// register are taken one at a time, and reads never wait for a write (they see the former
// content until the write is accepted).
// Failures: KY_INVALID_PARAMETER for a null buffer, an access outside the register, a text that
// does not fit (one byte is kept for the terminating zero), or a float/double on a register too
// short for it; a sink's own failure result when it refuses.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include "ky/virtualdevice/IKyRegisterInfo.h"
#include "ky/base/KyResult.h"

class IKyRegisterEventSink;

class KY_VIRTUALDEVICE_API IKyRegister : public IKyRegisterInfo
{
public:
    /// Virtual destructor.
    virtual ~IKyRegister() { }

    /// Reads bytes of the register, running its sinks.
    ///
    /// @param[out] aData receives the bytes (Python: the byte count, and the bytes come back as a uint8 array)
    /// @param[in] aDataLength how many bytes
    /// @param[in] aOffset where in the register to start
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (past the register's end), or a sink's refusal
    virtual KyResult ReadBytes(uint8_t *aData, uint32_t aDataLength, uint32_t aOffset = 0) = 0;
    /// Writes bytes into the register, running its sinks; a refused write leaves the former content.
    ///
    /// @param[in] aData the bytes (Python: a bytes object)
    /// @param[in] aDataLength how many bytes
    /// @param[in] aOffset where in the register to start
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (past the register's end), or a sink's refusal
    virtual KyResult Write(const uint8_t *aData, uint32_t aDataLength, uint32_t aOffset = 0) = 0;
    /// Reads a 4-byte unsigned integer (big-endian, as a controller sees it).
    ///
    /// @param[out] aValue receives the value (Python: the result is (KyResult, int or None))
    /// @param[in] aOffset where in the register the integer starts
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (past the register's end), or a sink's refusal
    virtual KyResult ReadInt(uint32_t &aValue, uint32_t aOffset = 0) = 0;
    /// Writes a 4-byte unsigned integer (big-endian).
    ///
    /// @param[in] aValue the value
    /// @param[in] aOffset where in the register the integer starts
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (past the register's end), or a sink's refusal
    virtual KyResult Write(uint32_t aValue, uint32_t aOffset = 0) = 0;
    /// Reads the register as a zero-terminated text.
    ///
    /// @param[out] aValue receives the text (Python: the result is (KyResult, str or None))
    ///
    /// @return KY_OK, or a sink's refusal
    virtual KyResult ReadString(KyString &aValue) = 0;
    /// Writes a text, zero-terminated, from the register's start.
    ///
    /// @param[in] aValue the text; it must leave room for the terminating zero
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (too long), or a sink's refusal
    virtual KyResult Write(const KyString &aValue) = 0;
    /// Reads a 4-byte float.
    ///
    /// @param[out] aValue receives the value (Python: the result is (KyResult, float or None))
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (register too short), or a sink's refusal
    virtual KyResult ReadFloat(float &aValue) = 0;
    /// Writes a 4-byte float.
    ///
    /// @param[in] aValue the value
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (register too short), or a sink's refusal
    virtual KyResult WriteFloat(float aValue) = 0;
    /// Reads an 8-byte double.
    ///
    /// @param[out] aValue receives the value (Python: the result is (KyResult, float or None))
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (register too short), or a sink's refusal
    virtual KyResult ReadDouble(double &aValue) = 0;
    /// Writes an 8-byte double.
    ///
    /// @param[in] aValue the value
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (register too short), or a sink's refusal
    virtual KyResult WriteDouble(double aValue) = 0;
    /// Adds a sink told before and after every access.
    ///
    /// The sink is kept as a plain pointer: keep it alive while it is added.
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (null, or already added)
    virtual KyResult AddEventSink(IKyRegisterEventSink *aEventSink) = 0;
    /// Removes a sink.
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (null, or not added)
    virtual KyResult RemoveEventSink(IKyRegisterEventSink *aEventSink) = 0;
};
