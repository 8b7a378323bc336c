// IKyMessageChannel: events from a running soft device to its controller, borrowed from the
// device (KySoftDeviceGEV_GetMessagingChannel). Event data is a bytes object, sent from its own
// buffer; block id 0 and channel index 0xFFFF when left out.

%{
#include "ky/virtualdevice/IKyMessageChannel.h"
%}

%apply (uint8_t *KY_BYTES_OBJECT, uint32_t KY_BYTES_OBJECT_SIZE) { (uint8_t *aData, uint32_t aDataLength) };
%include "ky/virtualdevice/IKyMessageChannel.h"
%clear (uint8_t *aData, uint32_t aDataLength);
