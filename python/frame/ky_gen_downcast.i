// GenICam features handed out by pointer: every KyGenParameter * that a wrapper returns (array
// and list lookups) reaches Python as a borrowed object of its most derived typed class, tested
// in this order: KyGenInteger, KyGenFloat, KyGenEnum, KyGenBoolean, KyGenCommand, KyGenString,
// KyGenRegister; a feature of none of these kinds stays a KyGenParameter; null gives None.
//
// The typemap applies by type to every KyGenParameter * result of the families that follow.
// Code that wraps a feature by hand uses the function: KyPy_GenParameterObject(parameter).

%{
#include "ky/genicam/KyGenBoolean.h"
#include "ky/genicam/KyGenCommand.h"
#include "ky/genicam/KyGenEnum.h"
#include "ky/genicam/KyGenFloat.h"
#include "ky/genicam/KyGenInteger.h"
#include "ky/genicam/KyGenParameter.h"
#include "ky/genicam/KyGenRegister.h"
#include "ky/genicam/KyGenString.h"
%}

%fragment("KyPy_GenParameter", "header") %{
// A borrowed proxy of the feature as its most derived typed class; None for null. Called with
// the interpreter lock held.
SWIGINTERN PyObject *KyPy_GenParameterObject(KyGenParameter *parameter)
{
    static swig_type_info *const types[] = {SWIG_TypeQuery("KyGenInteger *"), SWIG_TypeQuery("KyGenFloat *"),
                               SWIG_TypeQuery("KyGenEnum *"),    SWIG_TypeQuery("KyGenBoolean *"),
                               SWIG_TypeQuery("KyGenCommand *"), SWIG_TypeQuery("KyGenString *"),
                               SWIG_TypeQuery("KyGenRegister *")};
    static swig_type_info *const base = SWIG_TypeQuery("KyGenParameter *");
    if (!parameter)
        return SWIG_Py_Void();
    return KyPy_Downcast<KyGenParameter, KyGenInteger, KyGenFloat, KyGenEnum, KyGenBoolean, KyGenCommand,
                         KyGenString, KyGenRegister>::Make(parameter, base, types);
}
%}

// The descriptors that the function looks up are in the type table whatever the families use.
%types(KyGenParameter *, KyGenInteger *, KyGenFloat *, KyGenEnum *, KyGenBoolean *, KyGenCommand *, KyGenString *,
       KyGenRegister *);

%typemap(out, fragment="KyPy_GenParameter") KyGenParameter * "$result = KyPy_GenParameterObject($1);"
