// Tesmar-protocol devices (KyDeviceTesmarProtocol): only the static operation that forces a
// device's IP configuration by its MAC address. The module makes no object of the class; the
// call runs with the interpreter lock released and its failures come back as the KyResult.

%{
#include "ky/device/KyDeviceTesmarProtocol.h"
%}

%nodefaultctor KyDeviceTesmarProtocol;
%apply const KyString &KY_TEXT { const KyString &aMACAddress, const KyString &aIP,
                                 const KyString &aSubnetMask, const KyString &aGateway };
%include "ky/device/KyDeviceTesmarProtocol.h"
%clear const KyString &aMACAddress;
%clear const KyString &aIP;
%clear const KyString &aSubnetMask;
%clear const KyString &aGateway;
