// KyLogger and KyLogSink. A Python class may implement KyLogSink; its Log is then called from
// whatever SDK thread logs, with the interpreter lock taken for the call.

%{
#include "ky/base/KyLogSink.h"
#include "ky/base/KyLogger.h"
%}

KY_CALLBACK_CLASS(KyLogSink)
%ignore KyLogger::IsEnabled;

// KyLogger's rows stand before KyLogSink's in the method table.
%include "ky/base/KyLogger.h"
%include "ky/base/KyLogSink.h"
