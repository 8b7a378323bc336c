// KyStreamRTP: the RTP receiver, opened on addresses (unicast, multicast, a session description,
// or TCP from a server) and told what its packets carry (PrepareFor, PrepareForH264). Buffers are
// queued and retrieved through the KyStream functions.
//
// Open: six forms (the session-description form without a port gets port 0). The session is a
// KySessionInfoSDP pointer: the module knows that type by name only, so None or a pointer object
// of exactly that type passes, and a KySessionInfo record does not. A text position takes any
// object in the dispatch, so an unusable text reports the KyString conversion of its position.
// A stream handed out by KyStream_CreateAndOpen belongs to KyStream_Free, never to a delete.

%{
#include "ky/stream/KyStreamRTP.h"
%}

KY_DELETES_ONLY_OWNED(KyStreamRTP)

%include "ky/stream/KyStreamRTP.h"
