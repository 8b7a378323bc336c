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
// Errors of Python overrides. A forwarding method that fails (the override raised, returned a
// value of the wrong type, is missing, or its object is gone) throws into its native caller with
// a Python error set. That error must not stay on the thread: the SDK goes on after catching the
// throw, and the next override it runs on that thread would fail with an unrelated SystemError.
// So every forwarding method takes the interpreter lock through KyPy_ThreadBlock, which, when
// the method ends by a throw, takes the error off the thread before the lock is released:
// - inside an SDK call that a wrapper made on this thread, the first such error of the call is
//   kept for the wrapper (KyPy_CallScope), which raises it once the SDK returns;
// - anywhere else (the SDK's own threads) it is dropped: the override's line is printed already,
//   and the SDK reports the failed call in its own way.
%header %{
#include <atomic>
#include <exception>
#include <new>

struct KyPy_ThreadErrors {
    int depth = 0;  // wrappers of this thread inside an SDK call
    PyObject *type = NULL, *value = NULL, *traceback = NULL;  // the first error kept for the innermost
};
// One record per thread for the whole process: a module that shares this frame (the test
// module) uses the main module's, so that an override of a main-module class reached from its
// functions is kept for them.
SWIGINTERN KyPy_ThreadErrors &KyPy_OwnThreadErrors()
{
    static thread_local KyPy_ThreadErrors errors;
    return errors;
}
typedef KyPy_ThreadErrors &(*KyPy_ThreadErrorsOf)();
static KyPy_ThreadErrorsOf kyPyThreadErrorsOf = &KyPy_OwnThreadErrors;
#define kyPyThreadErrors (kyPyThreadErrorsOf())

// Called with the interpreter lock held by a forwarding method that ends by a throw.
SWIGINTERN void KyPy_SetAsideError()
{
    if (!PyErr_Occurred())
        return;
    KyPy_ThreadErrors &errors = kyPyThreadErrors;
    if (errors.depth > 0 && !errors.type)
        PyErr_Fetch(&errors.type, &errors.value, &errors.traceback);
    else
        PyErr_Clear();
}

// Holds of the runtime's lock under way or on their way, on any thread: every director call
// counts from before it waits for the lock. A registration that lets a sink go while one is under
// way sets its references aside until none is (ky_keepalive.i): the SDK may have started a call
// of the sink before it was unregistered, and that call must not find its director deleted.
static std::atomic<int> kyPyHoldsUnderWay{0};
// Drops what was set aside once no hold is under way; called with the lock held.
static void (*kyPyHoldsEnded)() = nullptr;

// The interpreter-lock hold of the SWIG runtime, with the step above when it ends by a throw.
class KyPy_ThreadBlock
{
    bool status;
    PyGILState_STATE state;
    int exceptions;

    static PyGILState_STATE Enter()
    {
        kyPyHoldsUnderWay.fetch_add(1);
        return PyGILState_Ensure();
    }

public:
    KyPy_ThreadBlock() : status(true), state(Enter()), exceptions(std::uncaught_exceptions()) { }
    void end()
    {
        if (status) {
            if (std::uncaught_exceptions() > exceptions)
                KyPy_SetAsideError();
            if (kyPyHoldsUnderWay.fetch_sub(1) == 1 && kyPyHoldsEnded)
                kyPyHoldsEnded();
            PyGILState_Release(state);
            status = false;
        }
    }
    ~KyPy_ThreadBlock() { end(); }
    KyPy_ThreadBlock(const KyPy_ThreadBlock &) = delete;
    KyPy_ThreadBlock &operator=(const KyPy_ThreadBlock &) = delete;
};
#undef SWIG_PYTHON_THREAD_BEGIN_BLOCK
#define SWIG_PYTHON_THREAD_BEGIN_BLOCK KyPy_ThreadBlock _swig_thread_block

// One SDK call of a wrapper, made and left with the interpreter lock held. It keeps the first
// override error of the call apart from the enclosing call's (an override that calls a wrapper),
// and turns a native exception that escaped the SDK into a Python error with its text.
class KyPy_CallScope
{
    PyObject *outerType, *outerValue, *outerTraceback;

public:
    bool threw = false;

    KyPy_CallScope()
    {
        KyPy_ThreadErrors &errors = kyPyThreadErrors;
        outerType = errors.type;
        outerValue = errors.value;
        outerTraceback = errors.traceback;
        errors.type = errors.value = errors.traceback = NULL;
        ++errors.depth;
    }
    ~KyPy_CallScope()
    {
        KyPy_ThreadErrors &errors = kyPyThreadErrors;
        Py_XDECREF(errors.type);
        Py_XDECREF(errors.value);
        Py_XDECREF(errors.traceback);
        errors.type = outerType;
        errors.value = outerValue;
        errors.traceback = outerTraceback;
        --errors.depth;
    }
    KyPy_CallScope(const KyPy_CallScope &) = delete;
    KyPy_CallScope &operator=(const KyPy_CallScope &) = delete;

    // A native exception came out of the SDK call: an override's error kept for this call is
    // what the caller sees; otherwise the exception's own text.
    void Thrown(PyObject *type, const char *text)
    {
        threw = true;
        if (!kyPyThreadErrors.type && !PyErr_Occurred())
            PyErr_SetString(type, text);
    }
    // Makes the first override error of the call the pending Python error; whether one is pending.
    bool Finish()
    {
        KyPy_ThreadErrors &errors = kyPyThreadErrors;
        if (errors.type) {
            if (PyErr_Occurred()) {
                Py_XDECREF(errors.type);
                Py_XDECREF(errors.value);
                Py_XDECREF(errors.traceback);
            } else {
                PyErr_Restore(errors.type, errors.value, errors.traceback);
            }
            errors.type = errors.value = errors.traceback = NULL;
        }
        return PyErr_Occurred() != NULL;
    }
};
%}

%init %{
#ifdef KYPY_THREAD_ERRORS_OF_MAIN_MODULE
  kyPyThreadErrorsOf = reinterpret_cast<KyPy_ThreadErrorsOf>(PyCapsule_Import("_tavro_python._ky_thread_errors", 0));
  if (!kyPyThreadErrorsOf) return NULL;
#else
  PyModule_AddObject(m, "_ky_thread_errors",
                     PyCapsule_New(reinterpret_cast<void *>(&KyPy_OwnThreadErrors), "_tavro_python._ky_thread_errors", NULL));
#endif
%}

// KY_SDK_CALL(ON_ERROR): the one barrier around every SDK call of the module. No native
// exception passes into Python frames: whatever escapes becomes a Python exception with its text
// (an override's own error first, as above). ON_ERROR runs when a Python error is pending after
// the call; it ends the wrapper with SWIG_fail, or decides otherwise (kyCall.threw tells whether
// the SDK call threw).
%define KY_SDK_CALL(ON_ERROR)
  KyPy_CallScope kyCall;
  try {
    $action
  } catch (Swig::DirectorException &error) {
    kyCall.Thrown(PyExc_RuntimeError, error.what());
  } catch (std::bad_alloc &error) {
    kyCall.Thrown(PyExc_MemoryError, error.what());
  } catch (std::exception &error) {
    kyCall.Thrown(PyExc_RuntimeError, error.what());
  } catch (...) {
    kyCall.Thrown(PyExc_RuntimeError, "unknown C++ exception");
  }
  if (kyCall.Finish()) {
    ON_ERROR
  }
%enddef

// Every SDK call: the error of a failed override (or escaped exception) is raised once the call
// returns, instead of being returned alongside a result.
%exception {
  KY_SDK_CALL(SWIG_fail;)
}
