#include "ky/system/KySystemEventSink.h"

KySystemEventSink::~KySystemEventSink() = default;

void KySystemEventSink::OnDeviceFound(const KyInterface *, const KyDeviceInfo *, bool &) { }
