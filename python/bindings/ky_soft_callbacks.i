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
  try {
    $action
  } catch (Swig::DirectorException &) {
    PyErr_Clear();
  }
  if (PyErr_Occurred()) PyErr_Clear();
}
%enddef

// The SDK may call several overrides one after another inside one call of the program (a user
// set's start and completion, the sinks of a register, the device's stop): an error that an
// earlier override left pending would fail the next one before it ran. Each forwarding method
// of these classes puts a pending error aside for its own call and puts it back afterwards, so
// every override runs and the caller sees the first error (the later ones printed their line).
%fragment("KyPy_ErrorStash", "header") %{
struct KyPy_ErrorStash {
    PyObject *type = NULL, *value = NULL, *traceback = NULL;
    KyPy_ErrorStash() { PyErr_Fetch(&type, &value, &traceback); }
    ~KyPy_ErrorStash()
    {
        if (type) {
            PyErr_Clear();
            PyErr_Restore(type, value, traceback);
        }
    }
    KyPy_ErrorStash(const KyPy_ErrorStash &) = delete;
    KyPy_ErrorStash &operator=(const KyPy_ErrorStash &) = delete;
};
%}
// Placed on the first argument of every forwarding method of the soft device's callback classes.
// (Without braces: the stash lives until the forwarding method returns or throws.)
%typemap(directorin, noblock=1, fragment="KyPy_ErrorStash") IKySoftDeviceGEV *aDevice, IKyRegister *aRegister %{
  KyPy_ErrorStash kyErrorStash;
  $input = SWIG_NewPointerObj(SWIG_as_voidptr($1), $descriptor, 0);
%}
%typemap(directorin, noblock=1, fragment="KyPy_ErrorStash") KyUserSetState aUserSetState %{
  KyPy_ErrorStash kyErrorStash;
  $input = SWIG_From_int(static_cast<int>($1));
%}
