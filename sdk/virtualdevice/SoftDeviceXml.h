// SoftDeviceXml: writes the GenICam XML file of the device: its identity, network and control
// features on the bootstrap registers.
#pragma once

#include <string>

class IKySoftDeviceGEVInfo;

class SoftDeviceXml
{
public:
    static std::string Build(IKySoftDeviceGEVInfo &info);
    static std::string Escape(const std::string &text);
};
