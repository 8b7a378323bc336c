// Callback classes: SDK interfaces that a Python class may implement. KY_CALLBACK_CLASS(Class)
// before the class's header makes it subclassable in Python through a director:
// - its method wrappers keep the interpreter lock, since they may run Python code in the
//   director; constructor and destructor release it around the native call like every wrapper;
// - disown_Class keeps the lock too: it changes the reference count of the Python object;
// - a director whose Python object died raises RuntimeError on the next forwarded call;
// - a Python override that raises prints "In method 'Name': Type: value" to standard output
//   and throws Swig::DirectorMethodException into the native caller, once, without a retry; its
//   Python error leaves the thread with the throw (KyPy_ThreadBlock, ky_runtime.i), so the next
//   override the SDK runs on that thread runs in full.

%header %{
#include <string>

// Builds, prints and throws the failure of a Python override; called with the interpreter lock
// held and a Python error pending.
[[noreturn]] SWIGINTERN void KyPy_DirectorMethodFailed(const char *method)
{
    PyObject *type = NULL, *value = NULL, *traceback = NULL;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    std::string line = std::string("In method '") + method + "': ";
    if (type) {
        PyObject *name = PyObject_GetAttrString(type, "__name__");
        const char *text = name ? PyUnicode_AsUTF8(name) : NULL;
        line += text ? text : "<unknown>";
        Py_XDECREF(name);
    }
    if (value) {
        PyObject *str = PyObject_Str(value);
        const char *text = str ? PyUnicode_AsUTF8(str) : NULL;
        if (text) {
            line += ": ";
            line += text;
        }
        Py_XDECREF(str);
    }
    PyErr_Clear();
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
    throw Swig::DirectorMethodException(line.c_str());
}
%}

// Every director operation: a Python error means the override raised or was missing.
%feature("director:except") {
  if ($error != NULL) {
    KyPy_DirectorMethodFailed("$symname");
  }
}

%header %{
// A director holds its Python object without a counted reference, so the object can die first
// (a temporary passed to the constructor function, or an instance whose "this" outlives it). A
// weak reference watches it: when it dies, the director forgets it, and the next call forwarded
// to it raises RuntimeError ("'self' uninitialized, ...") instead of reaching freed memory.
// The watch lives in the director's ownership records and goes with the director.
namespace {

// Reaches the director's private Python object: explicit instantiation may name private members.
struct KyPy_DirectorSelfTag {
    typedef PyObject *Swig::Director::*type;
    friend type KyPy_DirectorSelfMember(KyPy_DirectorSelfTag);
};
template <typename Tag, typename Tag::type Member>
struct KyPy_DirectorSelfAccess {
    friend typename Tag::type KyPy_DirectorSelfMember(Tag) { return Member; }
};
template struct KyPy_DirectorSelfAccess<KyPy_DirectorSelfTag, &Swig::Director::swig_self>;

// Called by the weak reference when the Python object dies (interpreter lock held).
PyObject *KyPy_DirectorSelfDied(PyObject *capsule, PyObject *)
{
    if (void *director = PyCapsule_GetPointer(capsule, "KyPy_Director"))
        static_cast<Swig::Director *>(director)->*KyPy_DirectorSelfMember(KyPy_DirectorSelfTag()) = NULL;
    PyErr_Clear();
    Py_RETURN_NONE;
}

PyMethodDef KyPy_DirectorSelfDiedDef = {"director_self_died", KyPy_DirectorSelfDied, METH_O, NULL};

// Owned by the director (its ownership records); drops the weak reference, and with it the
// callback, when the director goes, on whatever thread that happens.
struct KyPy_DirectorSelfWatch {
    PyObject *weak = NULL;
    ~KyPy_DirectorSelfWatch()
    {
        if (weak && Py_IsInitialized()) {
            PyGILState_STATE state = PyGILState_Ensure();
            Py_DECREF(weak);
            PyGILState_Release(state);
        }
    }
};

// Sets up the watch of a new director's Python object; a plain (non-director) object is left
// alone. Called with the interpreter lock held.
template <typename T>
void KyPy_WatchDirectorSelf(T *object)
{
    Swig::Director *director = dynamic_cast<Swig::Director *>(object);
    if (!director || !director->swig_get_self())
        return;
    PyObject *capsule = PyCapsule_New(director, "KyPy_Director", NULL);
    PyObject *callback = capsule ? PyCFunction_New(&KyPy_DirectorSelfDiedDef, capsule) : NULL;
    Py_XDECREF(capsule);
    PyObject *weak = callback ? PyWeakref_NewRef(director->swig_get_self(), callback) : NULL;
    Py_XDECREF(callback);
    if (!weak) {
        PyErr_Clear();  // an object without weak references stays unwatched
        return;
    }
    KyPy_DirectorSelfWatch *watch = new KyPy_DirectorSelfWatch;
    watch->weak = weak;
    director->swig_acquire_ownership(watch);
}

}  // namespace
%}

%define KY_CALLBACK_CLASS(Class)
%feature("director") Class;
%nothread Class;
%thread Class::Class;
%thread Class::~Class;
%exception Class::Class {
  KY_SDK_CALL(SWIG_fail;)
  KyPy_WatchDirectorSelf(result);
}
%enddef

// KyResult returned by a Python override: an int in the signed 32-bit range is the code (taken
// as unsigned: -1 is 0xFFFFFFFF, True is 1), a wrapped KyResult is copied. Anything else, None
// included, is a type mismatch (TypeError, nothing printed) that the native caller receives as
// Swig::DirectorTypeMismatchException (so is a missing tuple item); no KyResult is ever read through a null pointer.
%fragment("KyPy_DirectorResult", "header") %{
SWIGINTERN bool KyPy_ResultFromOverride(PyObject *value, KyResult &out)
{
    if (!value)
        return false;  // no such item of an override's tuple
    if (PyLong_Check(value)) {
        const long code = PyLong_AsLong(value);
        if (code == -1 && PyErr_Occurred()) {
            PyErr_Clear();
        } else if (code >= INT32_MIN && code <= INT32_MAX) {
            out = KyResult(static_cast<uint32_t>(code));
            return true;
        }
    }
    void *ptr = 0;
    if (value != Py_None && SWIG_IsOK(SWIG_ConvertPtr(value, &ptr, SWIG_TypeQuery("KyResult *"), 0)) && ptr) {
        out = *static_cast<KyResult *>(ptr);
        return true;
    }
    return false;
}
%}
%typemap(directorout, fragment="KyPy_DirectorResult") KyResult {
  /* KyResult from the override: a code or a KyResult, else a type mismatch */
  if (!KyPy_ResultFromOverride($input, $result)) {
    Swig::DirectorTypeMismatchException::raise(PyExc_TypeError, "in method $symname with output value of type 'KyResult'");
  }
}
