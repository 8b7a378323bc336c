// Runtime rules shared by every wrapper of the module: argument checks the generated code
// does not make by itself, the init function of the proxy classes, and the one place where
// native exceptions from callbacks are turned into Python errors.

%include <stdint.i>
%include <cwstring.i>
%include <exception.i>

// ---------------------------------------------------------------------------------------
// Instance argument: None is refused with the argument-1 TypeError before the SDK is reached
// (a None converts to a null pointer, and calling a method on it would crash). Destructors
// are the exception: deleting nothing is harmless and stays allowed; so are the setters of record
// fields, which assign nothing when there is no record.
//
// disown_X functions: the generated call changes the Python object's reference count with the
// interpreter lock released, and no feature reaches that function. So the disown is done here,
// while the lock is still held; the generated call that follows finds the director already
// disowned and changes nothing.
%typemap(check, noblock=1) SWIGTYPE *self, const SWIGTYPE *self {
  /* instance check */
  if (!$1 && !KyPy_HasPrefix("$symname", "delete_") && !KyPy_HasSuffix("$symname", "_set")) {
    %argument_fail(SWIG_TypeError, "$type", $symname, $argnum);
  }
  if (KyPy_HasPrefix("$symname", "disown_")) {
    KyPy_DisownDirector($1);
  }
}

// KY_DELETES_ONLY_OWNED(Class): delete_Class takes ownership from the Python object, and only an
// object that owned its native object destroys it. A borrowed proxy (an image of a buffer, a
// buffer retrieved from a stream) converts to a null pointer there, so deleting it leaves the
// object to its owner. (Other instance arguments of the class convert as usual.)
%define KY_DELETES_ONLY_OWNED(Class)
%typemap(in, noblock=1) Class *self (void *argp = 0, int res = 0, int owned = 0) {
  res = SWIG_ConvertPtrAndOwn($input, &argp, $descriptor, $disown | %convertptr_flags, &owned);
  if (!SWIG_IsOK(res)) {
    %argument_fail(res, "$type", $symname, $argnum);
  }
  $1 = %reinterpret_cast(argp, $ltype);
  if (($disown) && !(owned & SWIG_POINTER_OWN)) $1 = 0;
}
%enddef

%header %{
#include <cstring>
#include <type_traits>

SWIGINTERN bool KyPy_HasPrefix(const char *name, const char *prefix)
{
    return std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

SWIGINTERN bool KyPy_HasSuffix(const char *name, const char *suffix)
{
    const size_t length = std::strlen(name), suffixLength = std::strlen(suffix);
    return length >= suffixLength && std::strcmp(name + length - suffixLength, suffix) == 0;
}

// Makes a director's native object keep its Python object alive; called with the lock held.
template <typename T>
SWIGINTERN void KyPy_DisownDirector(T *object)
{
    if constexpr (std::is_polymorphic<T>::value) {
        if (Swig::Director *director = dynamic_cast<Swig::Director *>(const_cast<std::remove_const_t<T> *>(object)))
            director->swig_disown();
    }
}

// Init function of every proxy class (X_swiginit): attaches the native object made by the
// constructor function to the proxy instance. The second argument must be an instance object;
// anything else raises TypeError instead of being stored as "this" or dereferenced.
SWIGINTERN PyObject *KyPy_InitShadowInstance(PyObject *args)
{
    PyObject *obj[2];
    if (!SWIG_Python_UnpackTuple(args, "swiginit", 2, 2, obj))
        return NULL;
    if (!SwigPyObject_Check(obj[1])) {
        PyErr_SetString(PyExc_TypeError, "Attempt to append a non SwigPyObject");
        return NULL;
    }
    SwigPyObject *sthis = SWIG_Python_GetSwigThis(obj[0]);
    if (sthis) {
        PyObject *appended = SwigPyObject_append((PyObject *)sthis, obj[1]);
        if (!appended)
            return NULL;
        Py_DECREF(appended);
    } else if (SWIG_Python_SetSwigThis(obj[0], obj[1]) != 0) {
        return NULL;
    }
    return SWIG_Py_Void();
}
// The generated X_swiginit functions call this name; they get the checked version above.
#define SWIG_Python_InitShadowInstance KyPy_InitShadowInstance
%}

// ---------------------------------------------------------------------------------------
// Every SDK call: a director exception that comes back through the SDK ends the call with the
// Python error it set. A Python error left pending by a callback that ran inside the SDK call
// (the SDK caught the native exception) is raised too, instead of being returned alongside a
// result.
%exception {
  try {
    $action
  } catch (Swig::DirectorException &) {
    SWIG_fail;
  }
  if (PyErr_Occurred()) SWIG_fail;
}
