// KyFPSStabilizer: tells, frame by frame, whether to show the current frame so that the shown
// rate stays near a target. new_KyFPSStabilizer makes an owned object.

%{
#include "ky/apputils/KyFPSStabilizer.h"
%}

KY_DELETES_ONLY_OWNED(KyFPSStabilizer)
%include "ky/apputils/KyFPSStabilizer.h"
