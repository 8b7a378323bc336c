// The stream library's log category ("stream"): streams, pipelines and the GVSP receiver.
#pragma once

#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogger.h"

namespace ky::stream {

// Looked up once: the categories live as long as the process, and the receive thread asks on
// every round.
inline KyLogger &StreamLog()
{
    static KyLogger &log = *KyLogCategories::Find("stream");
    return log;
}

}  // namespace ky::stream
