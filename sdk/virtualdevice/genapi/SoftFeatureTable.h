// SoftFeatureTable: the soft device's GenICam features as plain data, in the SDK's feature tables
// (features/FeatureTable.h, with the rules by which they are rendered). SoftDeviceXml renders a
// list of tables into the device's GenICam XML; the standard features, the stream channel's image
// and acquisition features and the features a program declares through the GenApi factory all
// use it. A feature's register with no port of its own is the device's memory ("Device").
#pragma once

#include "features/FeatureTable.h"

namespace ky::soft {

using SoftFeatureKind = ky::gc::FeatureKind;
using SoftEnumEntry = ky::gc::EnumEntrySpec;
using SoftVariable = ky::gc::FormulaVariable;
using SoftFeature = ky::gc::FeatureSpec;
using SoftPort = ky::gc::PortSpec;
using SoftFeatureTable = ky::gc::FeatureTable;

}  // namespace ky::soft
