// IKySoftDeviceGEVEventSink: what a soft device tells its program. A Python class may implement
// any of the operations; the others do nothing. The device arrives as a borrowed
// IKySoftDeviceGEV, addresses as borrowed KyString objects valid during the call, and the
// factories of OnCreateCustomRegisters and OnCreateCustomGenApiFeatures as borrowed objects
// valid during the call.

%{
#include "ky/virtualdevice/IKySoftDeviceGEVEventSink.h"
%}

KY_CALLBACK_CLASS(IKySoftDeviceGEVEventSink)
KY_SOFT_CALLBACK_SELF(IKySoftDeviceGEVEventSink)
%include "ky/virtualdevice/IKySoftDeviceGEVEventSink.h"
