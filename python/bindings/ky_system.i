// KySystem: the discovery root. Interfaces come back as the most derived of KyNetworkAdapter and
// KyUSBHostController, device records as KyDeviceInfoGEV where they are one (else KyDeviceInfo);
// both are borrowed from the system. Find and FindDevice block for the detection time-out with
// the interpreter lock released.

%{
#include "ky/system/KySystem.h"
#include "ky/system/KyNetworkAdapter.h"
#include "ky/system/KyUSBHostController.h"
#include "ky/device/KyDeviceInfoGEV.h"
%}

%include "ky/system/KySystemExport.h"

// Interfaces handed out by the system and by a device record: the most derived kind.
%typemap(out) KyInterface *GetInterface, const KyInterface *GetInterface {
  swig_type_info *types[] = {$descriptor(KyNetworkAdapter *), $descriptor(KyUSBHostController *)};
  $result = KyPy_Downcast<const KyInterface, const KyNetworkAdapter, const KyUSBHostController>::Make(
      $1, $descriptor(KyInterface *), types);
}
// Device records handed out by the system and by an interface: KyDeviceInfoGEV or KyDeviceInfo.
%typemap(out) const KyDeviceInfo *GetDeviceInfo {
  swig_type_info *types[] = {$descriptor(KyDeviceInfoGEV *)};
  $result = KyPy_Downcast<const KyDeviceInfo, const KyDeviceInfoGEV>::Make($1, $descriptor(KyDeviceInfo *), types);
}

%include "ky/system/KySystem.h"
