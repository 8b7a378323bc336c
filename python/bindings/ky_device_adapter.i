// The device adapter (KyDeviceAdapter): one device through IKyDeviceAdapter, by feature name,
// register and memory, for the serial port (KyDeviceSerialPort_Open takes the adapter).
//
// Out-arguments are objects the caller passes and the SDK fills (a KyString, or pointer objects
// for int64_t, bool and KyStringList); only ReadRegister and GetUniqueID return a tuple
// (KyResult, value or None). Byte buffers are uint8_t pointer objects; None passes a null
// pointer, which the adapter refuses with KY_INVALID_PARAMETER when a length is given. Every call
// runs with the interpreter lock released.
//
// The module binds no class for IKyDeviceAdapter and KyGenEventSink; their rows in the type table
// still take an adapter object (converted to that base), as the KyDeviceEventSink row does.

%{
#include "ky/device/IKyDeviceAdapter.h"
#include "ky/device/IKyDeviceEventSink.h"
#include "ky/device/KyDeviceAdapter.h"
#include "ky/device/KyStringList.h"
#include "ky/genicam/KyGenEventSink.h"
%}

%types(IKyDeviceAdapter *, KyGenEventSink *, IKyDeviceEventSink *, KyStringList *);

%feature("director", "0") KyDeviceAdapter;
%ignore KyDeviceAdapter::OnLinkDisconnected;
%ignore KyDeviceAdapter::OnEvent;
%ignore KyDeviceAdapter::OnParameterUpdate;
%warnfilter(401) KyDeviceAdapter;
%apply unsigned int &KY_OUT_IF_OK_TUPLE { uint32_t &aValue };
%apply KyString &KY_OUT_TEXT_TUPLE { KyString &aID };
// Two texts laid out beyond what the header's comments give.
%feature("docstring") KyDeviceAdapter::SetGenBooleanValue "See IKyDeviceAdapter for description.

:type aParameterName: str, in
:param aParameterName: Name of the parameter.
:type aValue: boolean, in

:rtype: :py:class:`KyResult`
:return: OK on success.";
%feature("docstring") KyDeviceAdapter::GetUniqueID "Returns a unique string identifier for the device.

:type aID: str, out
:param aID: Unique string identifier for the device.

:rtype: :py:class:`KyResult`
:return: 
       Includes:
        - #KyResult::Code::OK
        - #KyResult::Code::INVALID_PARAMETER";
%include "ky/device/KyDeviceAdapter.h"
%clear uint32_t &aValue;
%clear KyString &aID;
