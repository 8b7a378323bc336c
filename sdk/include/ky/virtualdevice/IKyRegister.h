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
    virtual ~IKyRegister() { }

    virtual KyResult ReadBytes(uint8_t *aData, uint32_t aDataLength, uint32_t aOffset = 0) = 0;
    virtual KyResult Write(const uint8_t *aData, uint32_t aDataLength, uint32_t aOffset = 0) = 0;
    virtual KyResult ReadInt(uint32_t &aValue, uint32_t aOffset = 0) = 0;
    virtual KyResult Write(uint32_t aValue, uint32_t aOffset = 0) = 0;
    virtual KyResult ReadString(KyString &aValue) = 0;
    virtual KyResult Write(const KyString &aValue) = 0;
    virtual KyResult ReadFloat(float &aValue) = 0;
    virtual KyResult WriteFloat(float aValue) = 0;
    virtual KyResult ReadDouble(double &aValue) = 0;
    virtual KyResult WriteDouble(double aValue) = 0;
    // The sink is kept as a plain pointer: the caller keeps it alive while it is added.
    // KY_INVALID_PARAMETER for a null sink, one already added (Add) or one not added (Remove).
    virtual KyResult AddEventSink(IKyRegisterEventSink *aEventSink) = 0;
    virtual KyResult RemoveEventSink(IKyRegisterEventSink *aEventSink) = 0;
};
