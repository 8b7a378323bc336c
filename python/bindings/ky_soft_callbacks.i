// What the soft-device families share: the self rule of their callback classes, and the
// identity texts that the SDK hands out by reference.

// The callback classes of the soft device (user-set notification, device and register event
// sinks): None as the object is refused like everywhere else, but deleting or disowning
// nothing does nothing and returns None.
%define KY_SOFT_CALLBACK_SELF(Class)
%typemap(check, noblock=1) Class *self {
  /* instance check; delete_ and disown_ take None as nothing */
  if (!$1 && !KyPy_HasPrefix("$symname", "delete_") && !KyPy_HasPrefix("$symname", "disown_")) {
    %argument_fail(SWIG_TypeError, "$type", $symname, $argnum);
  }
  if ($1 && KyPy_HasPrefix("$symname", "disown_")) {
    KyPy_DisownDirector($1);
  }
}
%enddef

// Texts the SDK returns by reference: a str of the wide text, None for a null text. Applied
// with %apply to the getters that return them.
%typemap(out, fragment="KyPy_Text") const KyString &KY_WIDE_RESULT "$result = KyPy_FromWide($1->GetUnicode());"

// Bytes objects (bytes or a subclass, nothing else) passed without a copy with their length.
%typemap(in, numinputs=1) (const uint8_t *KY_BYTES_OBJECT, uint32_t KY_BYTES_OBJECT_SIZE) {
  /* KY_BYTES_OBJECT: the bytes object's own buffer */
  if (!PyBytes_Check($input)) {
    %argument_fail(SWIG_TypeError, "$1_type", $symname, $argnum);
  }
  if ((unsigned long long) PyBytes_GET_SIZE($input) > UINT32_MAX) {
    %argument_fail(SWIG_OverflowError, "$2_type", $symname, $argnum);
  }
  $1 = ($1_ltype) PyBytes_AS_STRING($input);
  $2 = ($2_ltype) PyBytes_GET_SIZE($input);
}
%typemap(typecheck, precedence=SWIG_TYPECHECK_STRING) (const uint8_t *KY_BYTES_OBJECT, uint32_t KY_BYTES_OBJECT_SIZE)
  "$1 = PyBytes_Check($input) && (unsigned long long) PyBytes_GET_SIZE($input) <= UINT32_MAX;"
%typemap(in) (uint8_t *KY_BYTES_OBJECT, uint32_t KY_BYTES_OBJECT_SIZE) = (const uint8_t *KY_BYTES_OBJECT, uint32_t KY_BYTES_OBJECT_SIZE);
%typemap(typecheck) (uint8_t *KY_BYTES_OBJECT, uint32_t KY_BYTES_OBJECT_SIZE) = (const uint8_t *KY_BYTES_OBJECT, uint32_t KY_BYTES_OBJECT_SIZE);

// The SDK's calls that can run Python overrides of the device's sinks and sources on the
// calling thread, and that must not fail for it: a raising override has printed its line; the
// error it leaves is dropped and the SDK's result stands. (Start raises it where Start failed.)
%define KY_SOFT_DROP_OVERRIDE_ERRORS(Function)
%exception Function {
  KY_SDK_CALL(if (kyCall.threw) SWIG_fail; PyErr_Clear();)
}
%enddef

