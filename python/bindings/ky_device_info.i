// Device records: KyDeviceInfo and its kinds. Records found by discovery are borrowed from the
// KySystem; KyDeviceInfo_Copy hands out a record that only delete_KyDeviceInfo frees.

%{
#include "ky/device/KyDeviceInfo.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "ky/device/KyDeviceInfoTesmarProtocol.h"
#include "ky/device/KyDeviceInfoUSB.h"
#include "ky/device/KyDeviceInfoU3V.h"
#include "ky/system/KyInterface.h"
%}

%include "ky/device/KyDeviceExport.h"

%ignore KyDeviceInfo::operator=;

// Only the base class copies; the kinds inherit it.
%ignore KyDeviceInfoGEV::Copy;
%ignore KyDeviceInfoTesmarProtocol::Copy;
%ignore KyDeviceInfoUSB::Copy;
%ignore KyDeviceInfoU3V::Copy;

%include "ky/device/KyDeviceInfo.h"
%include "ky/device/KyDeviceInfoGEV.h"
%include "ky/device/KyDeviceInfoTesmarProtocol.h"
%include "ky/device/KyDeviceInfoUSB.h"
%include "ky/device/KyDeviceInfoU3V.h"
