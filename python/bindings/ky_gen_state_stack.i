// KyGenStateStack: changes parameters of an array by name, and puts every changed value back,
// the latest change first, when it is destroyed (delete_KyGenStateStack, or Python freeing the
// owning object).
//
// Made and owned by Python over a parameter array (None is refused), which the caller keeps
// alive, with its device or stream, until the stack is gone. The setters give the SDK's
// KyResult; the text forms (SetStringValue, SetEnumValue with a text) give [KyResult, the text
// given as str] when the change was made, else [KyResult, None]. SetEnumValue takes an int (in
// the signed 64-bit range, True and False included) as an entry's value and anything else as
// an entry's name. Constructor, setters and destructor run with the interpreter lock released.

%{
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/genicam/KyGenStateStack.h"
%}

%include "ky/genicam/KyGenICamExport.h"

%apply SWIGTYPE *KY_NOT_NULL { KyGenParameterArray *aParameters };

// Written texts: echoed when the change was made.
%typemap(in) const KyString &aValue = const KyString &;
%typemap(typecheck) const KyString &aValue = const KyString &;
%typemap(argout, fragment="KyPy_Text") const KyString &aValue {
  /* written text echoed when the result is OK */
  $result = SWIG_Python_AppendOutput($result, result.IsOK() ? KyPy_FromWide($1->GetUnicode()) : SWIG_Py_Void());
}

%include "ky/genicam/KyGenStateStack.h"

%clear KyGenParameterArray *aParameters;
%clear const KyString &aValue;
