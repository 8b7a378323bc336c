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
// A list of address records and a list of gateway texts, as the interfaces' owners keep them;
// their rows in the type table let another module of the runtime pass such lists through.
namespace std {
template <class T> class vector;
}
namespace KySystemLib {
typedef std::vector<KySystemLib::IPConfig> IPConfigVector;
typedef std::vector<std::string> GatewayVector;
}  // namespace KySystemLib
%types(KySystemLib::IPConfigVector *, KySystemLib::GatewayVector *);
%include "ky/system/KyNetworkAdapter.h"
%include "ky/system/KyUSBHostController.h"
