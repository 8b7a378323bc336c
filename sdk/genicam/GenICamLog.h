// The GenICam library's log category ("genicam"): the node map and its features.
#pragma once

#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"

namespace ky::gc {

inline KyLogger &GenICamLog() { return *KyLogCategories::Find("genicam"); }

}  // namespace ky::gc
