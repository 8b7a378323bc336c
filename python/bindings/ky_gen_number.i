// KyGenFloat and KyGenInteger: the float and integer features, with their limits, increment
// (integers), suggested representation and unit.
//
// Features are always borrowed from their parameter array: there is no constructor and no
// destructor. Each derives from KyGenParameter at the same address, so the KyGenParameter
// functions take them as self; the functions here take only their own class. Getters give
// [KyResult, value or None]; setters a bare KyResult (the value is not read back). An integer
// value is an int in the signed 64-bit range (True and False count); a float value a float or
// an int. Every SDK call runs with the interpreter lock released.

%{
#include "ky/genicam/KyGenFloat.h"
#include "ky/genicam/KyGenInteger.h"
%}

%include "ky/genicam/KyGenICamExport.h"

KY_OUT_ENUM_TYPEMAP(KyGenRepresentation)
%apply KyGenRepresentation &KY_OUT_ENUM { KyGenRepresentation &aRepresentation };
%apply KyString &KY_OUT_TEXT { KyString &aUnit };

// ----- KyGenFloat
%nodefaultctor KyGenFloat;
%nodefaultdtor KyGenFloat;
%apply double &KY_OUT_IF_OK { double &aValue, double &aMin, double &aMax };
%include "ky/genicam/KyGenFloat.h"
%clear double &aValue, double &aMin, double &aMax;

// ----- KyGenInteger
%nodefaultctor KyGenInteger;
%nodefaultdtor KyGenInteger;
%apply int64_t &KY_OUT_IF_OK { int64_t &aValue, int64_t &aMin, int64_t &aMax, int64_t &aIncrement };
%include "ky/genicam/KyGenInteger.h"
%clear int64_t &aValue, int64_t &aMin, int64_t &aMax, int64_t &aIncrement;

%clear KyGenRepresentation &aRepresentation;
%clear KyString &aUnit;
