// SoftBootstrap: puts the GigE Vision bootstrap registers, the firmware version and the GenICam
// XML file into a register map, wired to the device context.
#pragma once

#include "ky/base/KyResult.h"
#include "registers/SoftDeviceRegisters.h"
#include "registers/SoftRegisterMap.h"

namespace ky::soft {

class SoftBootstrap
{
public:
    SoftBootstrap(SoftRegisterMap &map, SoftDeviceContext &context) : mMap(map), mContext(context) { }

    // The bootstrap registers and those behind the device's own features, without the XML file.
    KyResult AddRegisters();
    // The XML file (context.xml, or a zip archive of it) and the URL registers that name it.
    KyResult AddXml(bool zipped);

    // Text of the first URL register for an XML file at the given place.
    static std::string XmlUrl(const char *fileName, uint32_t address, size_t size);

private:
    SoftRegister *Add(const char *name, uint32_t address, uint32_t length, KyGenAccessMode mode,
                      bool arrayOfBytes = false);
    SoftRegister *AddConstant(const char *name, uint32_t address, uint32_t value);
    void AddIdentity();
    void AddNetwork();
    void AddTiming();
    void AddChannels();
    void AddFeatureState();

    SoftRegisterMap &mMap;
    SoftDeviceContext &mContext;
    KyResult mResult;
};

}  // namespace ky::soft
