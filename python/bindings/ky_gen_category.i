// KyGenCategory: a named group of features of a parameter array: its texts, name space,
// visibility and whether it is implemented, and its node as an opaque handle.
//
// Categories are always borrowed from their parameter array (KyGenParameterArray_GetCategory):
// there is no constructor and no destructor. Text getters give [KyResult, str or None],
// enumeration getters [KyResult, int or None], flag getters [KyResult, bool] whatever the result.
// Every SDK call runs with the interpreter lock released.

%{
#include "ky/genicam/KyGenCategory.h"
%}

%include "ky/genicam/KyGenICamExport.h"

%nodefaultctor KyGenCategory;
%nodefaultdtor KyGenCategory;
// The features of a category are found through the array.
%ignore KyGenCategory::GetParameters;

%apply KyString &KY_OUT_TEXT { KyString &aName, KyString &aToolTip, KyString &aDescription, KyString &aDisplayName };
KY_OUT_ENUM_TYPEMAP(KyGenNameSpace)
KY_OUT_ENUM_TYPEMAP(KyGenVisibility)
%apply KyGenNameSpace &KY_OUT_ENUM { KyGenNameSpace &aNameSpace };
%apply KyGenVisibility &KY_OUT_ENUM { KyGenVisibility &aVisibility };
%apply bool &KY_OUT_FLAG { bool &aVisible, bool &aImplemented };

%include "ky/genicam/KyGenCategory.h"

%clear KyString &aName, KyString &aToolTip, KyString &aDescription, KyString &aDisplayName;
%clear KyGenNameSpace &aNameSpace, KyGenVisibility &aVisibility;
%clear bool &aVisible, bool &aImplemented;
