// KyGenBoolean and KyGenCommand: the true/false features and the features that start an action
// on the device.
//
// Features are always borrowed from their parameter array: there is no constructor and no
// destructor. Each derives from KyGenParameter at the same address, so the KyGenParameter
// functions take them as self; the functions here take only their own class. A boolean value
// is exactly True or False (1 and 0 are refused); the flag getters give [KyResult, bool]
// whatever the result. Every SDK call runs with the interpreter lock released.

%{
#include "ky/genicam/KyGenBoolean.h"
#include "ky/genicam/KyGenCommand.h"
%}

%include "ky/genicam/KyGenICamExport.h"

// ----- KyGenBoolean
%nodefaultctor KyGenBoolean;
%nodefaultdtor KyGenBoolean;
%apply bool &KY_OUT_FLAG { bool &aValue };
%include "ky/genicam/KyGenBoolean.h"
%clear bool &aValue;

// ----- KyGenCommand
%nodefaultctor KyGenCommand;
%nodefaultdtor KyGenCommand;
%apply bool &KY_OUT_FLAG { bool &aDone };
%include "ky/genicam/KyGenCommand.h"
%clear bool &aDone;
