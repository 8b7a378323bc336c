// KyGenRegister and KyGenString: the features that are a block of device memory, and the text
// features.
//
// Features are always borrowed from their parameter array: there is no constructor and no
// destructor. Each derives from KyGenParameter at the same address, so the KyGenParameter
// functions take them as self; the functions here take only their own class.
//   KyGenRegister_Set/Get     (buffer, length): the buffer is a raw byte pointer object
//                             ("unsigned char *") or None; no buffer or array form is taken. The
//                             SDK refuses a negative length, and None with a length other than 0,
//                             before the device is touched. A bare KyResult: nothing is copied.
//   KyGenString_SetValue      a text by the KyString conversion; a bare KyResult.
//   getters                   [KyResult, value or None].
// Every SDK call runs with the interpreter lock released.

%{
#include "ky/genicam/KyGenRegister.h"
#include "ky/genicam/KyGenString.h"
%}

%include "ky/genicam/KyGenICamExport.h"

// ----- KyGenRegister
%nodefaultctor KyGenRegister;
%nodefaultdtor KyGenRegister;
%apply int64_t &KY_OUT_IF_OK { int64_t &aLength };
%include "ky/genicam/KyGenRegister.h"
%clear int64_t &aLength;

// ----- KyGenString
%nodefaultctor KyGenString;
%nodefaultdtor KyGenString;
%apply int64_t &KY_OUT_IF_OK { int64_t &aMaxLength };
%apply KyString &KY_OUT_TEXT { KyString &aValue };
// SetValue's text is a plain text argument (the out typemap above would match it too).
%typemap(in) const KyString &aValue = const KyString &;
%typemap(typecheck) const KyString &aValue = const KyString &;
%typemap(argout) const KyString &aValue "";
%include "ky/genicam/KyGenString.h"
%clear int64_t &aMaxLength;
%clear KyString &aValue;
%clear const KyString &aValue;
