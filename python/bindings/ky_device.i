// Connected devices: the event sink that a Python class may implement (KyDeviceEventSink), the
// device (KyDevice) and the GigE Vision device (KyDeviceGEV).
//
// KyDevice_CreateAndConnect returns (KyResult, device) with the device borrowed (KyDevice_Free
// releases it) and handed out as KyDeviceGEV or KyDeviceU3V where it is one. Memory travels as uint8 numpy
// arrays. Connection, memory and register calls run with the interpreter lock released; the
// sink's events arrive on the device's threads and take it for the call.

%{
#include "ky/device/KyDevice.h"
#include "ky/device/KyDeviceEventSink.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/device/KyDeviceInfo.h"
#include "ky/device/KyDeviceU3V.h"
%}

// ----- KyDeviceEventSink
// Event data and command-link buffers reach Python as copies that Python owns, so an override
// may keep them; the command-link calls get ONE argument, the tuple (bytes, address).
KY_CALLBACK_CLASS(KyDeviceEventSink)
%apply (const void *KY_BYTES_IN, uint32_t KY_BYTES_IN_SIZE) { (const void *aData, uint32_t aDataLength) };
%apply (const void *KY_BYTES_COPY, uint32_t KY_BYTES_COPY_SIZE) { (const void *aData, uint32_t aDataLength) };
%apply (const void *KY_BYTES_TUPLE, int64_t KY_BYTES_TUPLE_ADDRESS, int64_t KY_BYTES_TUPLE_SIZE) {
  (const void *aBuffer, int64_t aAddress, int64_t aLength) };
%include "ky/device/KyDeviceEventSink.h"
%clear (const void *aData, uint32_t aDataLength);
%clear (const void *aBuffer, int64_t aAddress, int64_t aLength);

// ----- KyDevice
// The device as the most derived class that the binding knows.
%fragment("KyPy_Device", "header") %{
SWIGINTERN PyObject *KyPy_DeviceObject(KyDevice *device)
{
    if (!device)
        return SWIG_Py_Void();
    if (KyDeviceGEV *gev = dynamic_cast<KyDeviceGEV *>(device))
        return SWIG_NewPointerObj(SWIG_as_voidptr(gev), SWIG_TypeQuery("KyDeviceGEV *"), 0);
    if (KyDeviceU3V *u3v = dynamic_cast<KyDeviceU3V *>(device))
        return SWIG_NewPointerObj(SWIG_as_voidptr(u3v), SWIG_TypeQuery("KyDeviceU3V *"), 0);
    return SWIG_NewPointerObj(SWIG_as_voidptr(device), SWIG_TypeQuery("KyDevice *"), 0);
}
%}

// CreateAndConnect: one Python argument; the SDK's result goes into the tuple with the device.
%feature("compactdefaultargs") KyDevice::CreateAndConnect;
%typemap(in, numinputs=0) KyResult *aResult (KyResult temp) "$1 = &temp;"
%typemap(out, fragment="KyPy_Device") KyDevice *CreateAndConnect "$result = KyPy_DeviceObject($1);"
%typemap(argout) KyResult *aResult {
  $result = KyPy_ResultTuple(temp$argnum, {$result});
}
%apply const KyString &KY_TEXT { const KyString &aInfo };
%apply KyString &KY_OUT_TEXT_TUPLE { KyString &aFilename, KyString &aUniqueID };
// DumpGenICamXML's file name is an ordinary text argument (a typemap on "KyString &aFilename"
// would match "const KyString &aFilename" too).
%apply const KyString & { const KyString &aFilename };
%typemap(argout) const KyString &aFilename "";
%apply (uint8_t *KY_BYTES_READ, int64_t KY_BYTES_READ_SIZE) { (uint8_t *aDestination, int64_t aByteCount) };
// ReadMemory's bytes come back as the result, not through an argument.
%feature("docstring") KyDevice::ReadMemory "Reads device memory.

:type aAddress: int, in
:param aAddress: the first byte's address
:type aByteCount: int, in
:param aByteCount: how many bytes

:rtype: List[:py:class:`KyResult`, numpy.ndarray]
:return: the result (Includes: KY_OK, KY_NOT_CONNECTED, KY_INVALID_PARAMETER for a negative
         count) and a uint8 array of aByteCount bytes, zeroed on failure";
%apply (const uint8_t *KY_BYTES_WRITE, int64_t KY_BYTES_WRITE_SIZE) { (const uint8_t *aSource, int64_t aByteCount) };
%include "ky/device/KyDevice.h"
%clear KyResult *aResult;
%clear KyString &aFilename;
%clear const KyString &aFilename;
%clear KyString &aUniqueID;
%clear (uint8_t *aDestination, int64_t aByteCount);
%clear (const uint8_t *aSource, int64_t aByteCount);

// ----- KyDeviceGEV
// What the base class already offers is reached through the KyDevice_ functions.
%ignore KyDeviceGEV::Disconnect;
%ignore KyDeviceGEV::IsConnected;
%ignore KyDeviceGEV::StreamEnable;
%ignore KyDeviceGEV::StreamDisable;
%ignore KyDeviceGEV::ReadMemory;
%ignore KyDeviceGEV::WriteMemory;
%ignore KyDeviceGEV::WaitForMessagingChannelIdle;
%ignore KyDeviceGEV::DumpGenICamXML;
%ignore KyDeviceGEV::GetDefaultGenICamXMLFilename;
%ignore KyDeviceGEV::GetUniqueID;
%apply const KyString &KY_TEXT { const KyString &aIPAddress, const KyString &aDeviceIPAddress,
                                 const KyString &aMACAddress, const KyString &aIP,
                                 const KyString &aSubnetMask, const KyString &aGateway };
%apply unsigned int &KY_OUT_IF_OK_TUPLE { uint32_t &aValue };
%include "ky/device/KyDeviceGEV.h"
%clear const KyString &aInfo;
%clear const KyString &aIPAddress;
%clear const KyString &aDeviceIPAddress;
%clear const KyString &aMACAddress;
%clear const KyString &aIP;
%clear const KyString &aSubnetMask;
%clear const KyString &aGateway;
%clear uint32_t &aValue;
