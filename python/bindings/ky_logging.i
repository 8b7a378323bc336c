// KyLogger and KyLogSink. A Python class may implement KyLogSink, but nothing here hands a sink
// to the SDK: its Log runs where Python calls it (or native code that was given the sink by
// other means, with the interpreter lock taken for the call). The SDK's log categories stay out of
// the module: Python reaches logging through KyLogger, KyLogSink and the KY_LOG variable.

%{
#include "ky/base/KyLogSink.h"
#include "ky/base/KyLogger.h"
%}

KY_CALLBACK_CLASS(KyLogSink)
%ignore KyLogger::IsEnabled;

// KyLogger's rows stand before KyLogSink's in the method table.
%include "ky/base/KyLogger.h"
%include "ky/base/KyLogSink.h"
