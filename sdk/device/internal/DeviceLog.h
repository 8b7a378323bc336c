// The device library's log category ("device").
#pragma once

#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"

namespace ky {
namespace device {

KyLogger &DeviceLog();

}  // namespace device
}  // namespace ky
