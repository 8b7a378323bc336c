#include "SoftDeviceThreads.h"

namespace ky::soft {

namespace {

thread_local const SoftDeviceContext *tDevice = nullptr;

}  // namespace

void MarkDeviceThread(const SoftDeviceContext &device) { tDevice = &device; }

bool IsDeviceThreadOf(const SoftDeviceContext &device) { return tDevice == &device; }

}  // namespace ky::soft
