#include "ky/device/KyDeviceEventSink.h"

KyDeviceEventSink::KyDeviceEventSink() = default;
KyDeviceEventSink::~KyDeviceEventSink() = default;

void KyDeviceEventSink::OnLinkDisconnected(KyDevice *) { }
void KyDeviceEventSink::OnLinkReconnected(KyDevice *) { }
void KyDeviceEventSink::OnEvent(KyDevice *, uint16_t, uint16_t, uint64_t, uint64_t, const void *, uint32_t) {
}
void KyDeviceEventSink::OnEventGenICam(KyDevice *, uint16_t, uint16_t, uint64_t, uint64_t,
                                       KyGenParameterList *)
{ }
void KyDeviceEventSink::OnCmdLinkRead(const void *, int64_t, int64_t) { }
void KyDeviceEventSink::OnCmdLinkWrite(const void *, int64_t, int64_t) { }
