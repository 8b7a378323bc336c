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
// The factory the sink gets in OnCreateCustomRegisters is the device's: the register sinks given
// to it go with the device (ky_keepalive.i).
%typemap(directorin, noblock=1) IKyRegisterFactory *aFactory {
  KyPy_KeptParent($1, aDevice);
  $input = SWIG_NewPointerObj(SWIG_as_voidptr($1), $descriptor, 0);
}
%include "ky/virtualdevice/IKySoftDeviceGEVEventSink.h"
%clear IKyRegisterFactory *aFactory;
