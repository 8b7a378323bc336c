// KySessionInfo: the record of a session advertised by SAP, filled by KySystem_GetSessionInfo.
// Its text fields are read as borrowed KyString proxies of the fields themselves and written
// only from wrapped KyString objects (a copy of the text is stored).

%{
#include "ky/system/KySessionInfo.h"
%}

// A text setter given None (a null KyString pointer) refuses it: there is no text to copy.
%typemap(check, noblock=1) KyString *mName, KyString *mAddress, KyString *mLocalAddress {
  if (!$1) {
    %argument_nullref("$type", $symname, $argnum);
  }
}

// The record as SWIG reads it: the header's fields, with the implicit constructor and destructor
// declared first so that their rows lead the class's rows, as for every other class.
struct KySessionInfo
{
    KySessionInfo();
    ~KySessionInfo();
    KyString mName;
    KyString mAddress;
    uint16_t mPort;
    KyString mLocalAddress;
};

%clear KyString *mName;
%clear KyString *mAddress;
%clear KyString *mLocalAddress;
