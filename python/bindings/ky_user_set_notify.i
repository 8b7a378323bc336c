// IKyUserSetNotify: told when a soft device saves or loads a user set. A Python class must
// implement UserSetStateNotify (the interface has no behaviour); it returns a KyResult or a code.

%{
#include "ky/virtualdevice/IKyUserSetNotify.h"
%}

%include "ky/virtualdevice/KyVirtualDeviceExport.h"

KY_CALLBACK_CLASS(IKyUserSetNotify)
KY_SOFT_CALLBACK_SELF(IKyUserSetNotify)
%include "ky/virtualdevice/IKyUserSetNotify.h"
