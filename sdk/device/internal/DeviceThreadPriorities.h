// The priorities an application gives a device's threads (ky/ThreadPriority.h); the transport
// that runs such threads applies them as they start and, through ApplyThreadPriorities, at once.
#pragma once

#include "ky/ThreadPriority.h"
#include "ky/base/KyBaseExport.h"
#include "ky/device/KyDevice.h"

class KY_LOCAL KyDevice::ThreadPriorities
{
public:
    ky::base::ThreadPriority heartbeat;
    ky::base::ThreadPriority interruptLink;   // the thread that receives events
    ky::base::ThreadPriority interruptQueue;  // the thread that hands events to the sinks
};
