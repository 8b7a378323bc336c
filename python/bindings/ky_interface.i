// Host interfaces: KyInterface and its kinds KyNetworkAdapter and KyUSBHostController, borrowed
// from the KySystem that found them. IPConfig (an address and its mask) sits between the base and
// its kinds, as in the method table.

%{
#include <string>

#include "ky/system/KyInterface.h"
#include "ky/system/KyIPConfig.h"
#include "ky/system/KyNetworkAdapter.h"
#include "ky/system/KyUSBHostController.h"
%}

%include <std_string.i>

// Only the base class copies; the kinds inherit it.
%ignore KyNetworkAdapter::Copy;
%ignore KyUSBHostController::Copy;

%include "ky/system/KyInterface.h"
// The record as SWIG reads it (see KyIPConfig.h): constructor and destructor rows first.
namespace KySystemLib {
struct IPConfig
{
    IPConfig();
    ~IPConfig();
    std::string mIPAddress;
    std::string mSubnetMask;
};
}  // namespace KySystemLib
%include "ky/system/KyNetworkAdapter.h"
%include "ky/system/KyUSBHostController.h"
