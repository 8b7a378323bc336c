// IKyGenApiFactory: the GenICam features a program declares while its soft device starts
// (OnCreateCustomGenApiFeatures), borrowed for the call. The Set/Add/Map calls record the next
// feature's attributes, one Create call adds it; refusals come back as the KyResult of Create.

%{
#include "ky/virtualdevice/IKyGenApiFactory.h"
%}

%include "ky/virtualdevice/IKyGenApiFactory.h"
