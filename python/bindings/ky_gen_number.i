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
// The getters return [KyResult, value]: their docstrings show that form, not the C++ out-parameter.
%feature("docstring") KyGenFloat::GetValue "KyGenFloat::GetValue() -> KyResult, float

Get the feature's value.

:rtype: List[:py:class:`KyResult`, float]
:return: the result, and the value when the result is OK (else None)";
%feature("docstring") KyGenFloat::GetMin "KyGenFloat::GetMin() -> KyResult, float

Get the feature's limits (minimum).

The smallest value the feature takes.

:rtype: List[:py:class:`KyResult`, float]
:return: the result, and the value when the result is OK (else None)";
%feature("docstring") KyGenFloat::GetMax "KyGenFloat::GetMax() -> KyResult, float

Get the feature's limits (maximum).

The largest value the feature takes.

:rtype: List[:py:class:`KyResult`, float]
:return: the result, and the value when the result is OK (else None)";
%feature("docstring") KyGenFloat::GetRepresentation "KyGenFloat::GetRepresentation() -> KyResult, int

Get the feature's suggested presentation format.

A KyGenRepresentation value.

:rtype: List[:py:class:`KyResult`, int]
:return: the result, and the value when the result is OK (else None)";
%feature("docstring") KyGenFloat::GetUnit "KyGenFloat::GetUnit() -> KyResult, str

Get the feature's measurement unit.

Informational text such as \"pixels\", \"bytes\" or \"ms\" (empty when the feature has none); it is of
no use for converting between units.

:rtype: List[:py:class:`KyResult`, str]
:return: the result, and the value when the result is OK (else None)";
%feature("docstring") KyGenInteger::GetValue "KyGenInteger::GetValue() -> KyResult, int

Get the feature's value.

:rtype: List[:py:class:`KyResult`, int]
:return: the result, and the value when the result is OK (else None)";
%feature("docstring") KyGenInteger::GetMin "KyGenInteger::GetMin() -> KyResult, int

Get the feature's limits (minimum).

The smallest value the feature takes.

:rtype: List[:py:class:`KyResult`, int]
:return: the result, and the value when the result is OK (else None)";
%feature("docstring") KyGenInteger::GetMax "KyGenInteger::GetMax() -> KyResult, int

Get the feature's limits (maximum).

The largest value the feature takes.

:rtype: List[:py:class:`KyResult`, int]
:return: the result, and the value when the result is OK (else None)";
%feature("docstring") KyGenInteger::GetIncrement "KyGenInteger::GetIncrement() -> KyResult, int

Get the feature's suggested increment.

How far an up/down control of a user interface steps the value; a value is valid when
its distance from the minimum is a multiple of it (1 when the feature has none).

:rtype: List[:py:class:`KyResult`, int]
:return: the result, and the value when the result is OK (else None)";
%feature("docstring") KyGenInteger::GetRepresentation "KyGenInteger::GetRepresentation() -> KyResult, int

Get the feature's suggested presentation format.

A KyGenRepresentation value.

:rtype: List[:py:class:`KyResult`, int]
:return: the result, and the value when the result is OK (else None)";
%feature("docstring") KyGenInteger::GetUnit "KyGenInteger::GetUnit() -> KyResult, str

Get the feature's measurement unit.

Informational text such as \"pixels\", \"bytes\" or \"ms\" (empty when the feature has none); it is of
no use for converting between units.

:rtype: List[:py:class:`KyResult`, str]
:return: the result, and the value when the result is OK (else None)";
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
