// KyGenEnum and KyGenEnumEntry: the enumeration features, whose value is one of a list of named
// entries, and those entries.
//
// Both are always borrowed: an enumeration from its parameter array, an entry from its
// enumeration (the entry lookups); there is no constructor and no destructor. KyGenEnum derives
// from KyGenParameter at the same address; KyGenEnumEntry is not a parameter.
//   KyGenEnum_SetValue        an int (in the signed 64-bit range, True and False included) sets
//                             by value; anything else goes to the text form, so a value that is
//                             no text raises the KyString conversion's TypeError. A bare KyResult.
//   entry lookups             [KyResult, borrowed KyGenEnumEntry or None], the entry as the SDK
//                             gave it whatever the result.
//   GetValueString/GetValueInt the current value as the entry's name or its integer.
// Every SDK call runs with the interpreter lock released.

%{
#include "ky/genicam/KyGenEnum.h"
#include "ky/genicam/KyGenEnumEntry.h"
%}

%include "ky/genicam/KyGenICamExport.h"

// ----- KyGenEnum
%nodefaultctor KyGenEnum;
%nodefaultdtor KyGenEnum;
%ignore KyGenEnum::~KyGenEnum;
// The two forms of GetValue under names of their own (Python cannot tell them apart), and
// taking the feature as a plain (not const) self, as every value access of a feature does.
%ignore KyGenEnum::GetValue;

%apply int64_t &KY_OUT_IF_OK { int64_t &aCount, int64_t &aValue };
%apply KyString &KY_OUT_TEXT { KyString &aValue };
// SetValue's text is a plain text argument (the out typemap above would match it too).
%typemap(in) const KyString &aValue = const KyString &;
%typemap(typecheck) const KyString &aValue = const KyString &;
%typemap(argout) const KyString &aValue "";

// Entry lookups: the entry the SDK gave (null: None), whatever the result.
%typemap(in, numinputs=0, noblock=1) const KyGenEnumEntry **aEntry (const KyGenEnumEntry *entry = 0) {
  $1 = ($1_ltype) &entry;
}
%typemap(argout) const KyGenEnumEntry **aEntry {
  /* entry lookup: borrowed entry or None */
  $result = SWIG_Python_AppendOutput($result,
      SWIG_NewPointerObj(SWIG_as_voidptr(const_cast<KyGenEnumEntry *>(entry$argnum)), $descriptor(KyGenEnumEntry *), 0));
}

%extend KyGenEnum {
  /// The feature's value as the name of its current entry.
  ///
  /// @param[out] aValue receives the entry's name
  ///
  /// @return Includes: KY_OK, KY_STATE_ERROR (not readable now), KY_NOT_FOUND (the device holds
  ///         a value that no entry has)
  KyResult GetValueString(KyString &aValue) { return $self->GetValue(aValue); }
  /// The feature's value as the integer value of its current entry.
  ///
  /// @param[out] aValue receives the value
  ///
  /// @return Includes: KY_OK, KY_STATE_ERROR (not readable now)
  KyResult GetValueInt(int64_t &aValue) { return $self->GetValue(aValue); }
}

%include "ky/genicam/KyGenEnum.h"

%clear int64_t &aCount, int64_t &aValue;
%clear KyString &aValue;
%clear const KyString &aValue;
%clear const KyGenEnumEntry **aEntry;

// ----- KyGenEnumEntry
%nodefaultctor KyGenEnumEntry;
%nodefaultdtor KyGenEnumEntry;

%apply int64_t &KY_OUT_IF_OK { int64_t &aValue };
%apply KyString &KY_OUT_TEXT { KyString &aName, KyString &aToolTip, KyString &aDescription, KyString &aDisplayName };
KY_OUT_ENUM_TYPEMAP(KyGenNameSpace)
KY_OUT_ENUM_TYPEMAP(KyGenVisibility)
%apply KyGenNameSpace &KY_OUT_ENUM { KyGenNameSpace &aNameSpace };
%apply KyGenVisibility &KY_OUT_ENUM { KyGenVisibility &aVisibility };
%apply bool &KY_OUT_FLAG { bool &aVisible, bool &aAvailable };

%include "ky/genicam/KyGenEnumEntry.h"

%clear int64_t &aValue;
%clear KyString &aName, KyString &aToolTip, KyString &aDescription, KyString &aDisplayName;
%clear KyGenNameSpace &aNameSpace, KyGenVisibility &aVisibility;
%clear bool &aVisible, bool &aAvailable;
