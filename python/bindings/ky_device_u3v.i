// The USB3 Vision device (KyDeviceU3V): constructor, destructor, Connect (by record or by the
// device's GUID as text) and GetGUID. What the base class offers is reached through the
// KyDevice_ functions, which take a KyDeviceU3V as self. KyDevice_CreateAndConnect hands one out
// for a USB3 Vision device (borrowed, released by KyDevice_Free). Every call runs with the
// interpreter lock released.

%{
#include "ky/device/KyDeviceU3V.h"
%}

%ignore KyDeviceU3V::Disconnect;
%ignore KyDeviceU3V::IsConnected;
%ignore KyDeviceU3V::StreamEnable;
%ignore KyDeviceU3V::StreamDisable;
%ignore KyDeviceU3V::ReadRegister;
%ignore KyDeviceU3V::WriteRegister;
%ignore KyDeviceU3V::ReadMemory;
%ignore KyDeviceU3V::WriteMemory;
%ignore KyDeviceU3V::WaitForMessagingChannelIdle;
%ignore KyDeviceU3V::DumpGenICamXML;
%ignore KyDeviceU3V::GetDefaultGenICamXMLFilename;
%ignore KyDeviceU3V::GetUniqueID;
%apply const KyString &KY_TEXT { const KyString &aInfo };
%include "ky/device/KyDeviceU3V.h"
%clear const KyString &aInfo;
