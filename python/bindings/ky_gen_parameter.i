// KyGenParameter: what every GenICam feature offers (names, texts, type, visibility, access
// flags, selectors, the value as text, update sinks), and KyGenEventSink, the SDK's update sink.
//
// Features are always borrowed from their parameter array: there is no constructor and no
// destructor. The typed classes (KyGenInteger, ...) derive from KyGenParameter at the same
// address, so each of them is accepted as self here. Text getters give [KyResult, str or None],
// enumeration getters [KyResult, int or None], flag getters [KyResult, bool] whatever the result,
// selector lists [KyResult, new owned KyGenParameterList].

%{
#include "ky/genicam/KyGenEventSink.h"
#include "ky/genicam/KyGenParameter.h"
#include "ky/genicam/KyGenParameterList.h"
%}

%include "ky/genicam/KyGenICamExport.h"

// ----- KyGenParameter
%nodefaultctor KyGenParameter;
%nodefaultdtor KyGenParameter;
%ignore KyGenParameter::~KyGenParameter;

%apply KyString &KY_OUT_TEXT { KyString &aName, KyString &aCategory, KyString &aToolTip,
                               KyString &aDescription, KyString &aDisplayName, KyString &aValue };
// FromString's value is a plain text argument (the out typemap above would match it too).
%typemap(in) const KyString &aValue = const KyString &;
%typemap(typecheck) const KyString &aValue = const KyString &;
%typemap(argout) const KyString &aValue "";

KY_OUT_ENUM_TYPEMAP(KyGenType)
KY_OUT_ENUM_TYPEMAP(KyGenNameSpace)
KY_OUT_ENUM_TYPEMAP(KyGenVisibility)
%apply KyGenType &KY_OUT_ENUM { KyGenType &aType };
%apply KyGenNameSpace &KY_OUT_ENUM { KyGenNameSpace &aNameSpace };
%apply KyGenVisibility &KY_OUT_ENUM { KyGenVisibility &aVisibility };

%apply bool &KY_OUT_FLAG { bool &aCached, bool &aPersistent, bool &aImplemented, bool &aAvailable,
                           bool &aWritable, bool &aReadable, bool &aStreamable, bool &aVisible,
                           bool &aSelector };

// Selector lists: a new list for each call, owned by Python and returned whatever the result.
%typemap(in, numinputs=0) KyGenParameterList &aList (KyGenParameterList *list = 0) {
  list = new KyGenParameterList();
  $1 = list;
}
%typemap(argout) KyGenParameterList &aList {
  /* new owned list */
  $result = SWIG_Python_AppendOutput($result,
      SWIG_NewPointerObj(SWIG_as_voidptr(list$argnum), $descriptor(KyGenParameterList *), SWIG_POINTER_OWN));
  list$argnum = 0;
}
%typemap(freearg) KyGenParameterList &aList "delete list$argnum;";

%include "ky/genicam/KyGenParameter.h"

%clear KyString &aName, KyString &aCategory, KyString &aToolTip, KyString &aDescription,
       KyString &aDisplayName, KyString &aValue;
%clear const KyString &aValue;
%clear KyGenType &aType, KyGenNameSpace &aNameSpace, KyGenVisibility &aVisibility;
%clear bool &aCached, bool &aPersistent, bool &aImplemented, bool &aAvailable, bool &aWritable,
       bool &aReadable, bool &aStreamable, bool &aVisible, bool &aSelector;
%clear KyGenParameterList &aList;

// ----- KyGenEventSink
// An interface that Python cannot implement: no constructor. Its release row deletes nothing:
// the sinks Python holds are bases of other objects (a device adapter), which own them. Such an
// object is refused there with the argument-1 TypeError and keeps its own flag; only a plain
// sink object (which no function hands out) would be disowned, and it is not freed either.
%nodefaultctor KyGenEventSink;
%typemap(in, noblock=1) KyGenEventSink *self (void *argp = 0, int res = 0, SwigPyObject *sobj = 0) {
  if (KyPy_HasPrefix("$symname", "delete_")) {
    sobj = SWIG_Python_GetSwigThis($input);
    res = ($input == Py_None || (sobj && sobj->ty == $descriptor)) ?
        SWIG_ConvertPtr($input, &argp, $descriptor, SWIG_POINTER_DISOWN) : SWIG_TypeError;
  } else {
    res = SWIG_ConvertPtr($input, &argp, $descriptor, 0);
  }
  if (!SWIG_IsOK(res)) {
    %argument_fail(res, "$type", $symname, $argnum);
  }
  $1 = reinterpret_cast<$ltype>(argp);
}
%extend KyGenEventSink {
  ~KyGenEventSink() {}
}
%apply SWIGTYPE *KY_NOT_NULL { KyGenParameter *aParameter };
%include "ky/genicam/KyGenEventSink.h"
%clear KyGenParameter *aParameter;
%clear KyGenEventSink *self;
