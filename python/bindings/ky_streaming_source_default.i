// KyStreamingChannelSourceDefault: a stream source that keeps an image format and a set of
// buffers (see IKyStreamingChannelSource for what crosses). A Python subclass supplies the frames
// with QueueBuffer and RetrieveBuffer and may override any other operation; the base methods run
// the SDK's own behaviour. Buffers that its AllocBuffer makes are the source's: the program must
// not delete them, FreeBuffer gets each back when the device stops.

%{
#include "ky/virtualdevice/KyStreamingChannelSourceDefault.h"
%}

// The kit's own helpers of the class stay in C++.
%ignore KyStreamingChannelSourceDefault::kMaxSize;
%ignore KyStreamingChannelSourceDefault::kMaxBuffers;
%ignore KyStreamingChannelSourceDefault::IsOpen;
%ignore KyStreamingChannelSourceDefault::IsStreaming;
%ignore KyStreamingChannelSourceDefault::GetAllocatedBufferCount;
%ignore KyStreamingChannelSourceDefault::TestPatternValue;
%ignore KyStreamingChannelSourceDefault::FillTestPattern;
%ignore KyStreamingChannelSourceDefault::WriteTestPattern;

KY_CALLBACK_CLASS(KyStreamingChannelSourceDefault)
KY_SOFT_CALLBACK_SELF(KyStreamingChannelSourceDefault)
KY_SOFT_CALLBACK_SELF(KyStreamingChannelSourceDefault const)
%include "ky/virtualdevice/KyStreamingChannelSourceDefault.h"
