// Which soft device a thread works for. Each device thread (the GVCP server's receive and work
// threads, every stream channel's thread) marks itself with its device's context as it begins,
// before it can run any callback, so that a call that would join the device's threads (Stop) can
// tell without a lock that it runs on one of them.
#pragma once

namespace ky::soft {

struct SoftDeviceContext;

// Called first thing on a device thread.
void MarkDeviceThread(const SoftDeviceContext &device);
// True on a thread that marked itself for this device.
bool IsDeviceThreadOf(const SoftDeviceContext &device);

}  // namespace ky::soft
