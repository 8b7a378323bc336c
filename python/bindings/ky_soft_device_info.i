// IKySoftDeviceGEVInfo and IKySoftDeviceGEVStatistics: the identity and the counters of a
// running soft device, borrowed from it (KySoftDeviceGEV_GetInfo, _GetStatistics). Texts come
// back as str.

%{
#include "ky/virtualdevice/IKySoftDeviceGEVInfo.h"
#include "ky/virtualdevice/IKySoftDeviceGEVStatistics.h"
%}

// ----- IKySoftDeviceGEVInfo
%apply const KyString &KY_WIDE_RESULT {
  const KyString &GetManufacturerName, const KyString &GetModelName, const KyString &GetDeviceVersion,
  const KyString &GetDeviceFirmwareVersion, const KyString &GetManufacturerInformation,
  const KyString &GetSerialNumber, const KyString &GetGenICamXMLProductGUID,
  const KyString &GetGenICamXMLVersionGUID, const KyString &GetGenICamXMLRegDescModelName,
  const KyString &GetGenICamXMLRegDescVendorName };
%include "ky/virtualdevice/IKySoftDeviceGEVInfo.h"

// ----- IKySoftDeviceGEVStatistics
%include "ky/virtualdevice/IKySoftDeviceGEVStatistics.h"
