// The stream library's log category ("stream"): streams, pipelines and the GVSP receiver.
#pragma once

#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"

namespace ky::stream {

inline KyLogger &StreamLog() { return *KyLogCategories::Find("stream"); }

}  // namespace ky::stream
