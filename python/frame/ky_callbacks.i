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

%header %{
#include <vector>

// Each director looks a method up once and caches it. A bound method would hold the director's
// Python object, which holds the director: a cycle that the collector cannot see through the
// native director, so that a sink called once stayed alive after the program and its
// registration let it go (a call still on its way when the registration went fills the cache
// again). The cache therefore holds a method bound weakly: the function found at the lookup and
// a weak reference to the object, called as the bound method would be (the object passed
// first). An attribute that is no method of the object itself is cached as it is.
SWIGINTERN PyObject *KyPy_WeakMethodCall(PyObject *bound, PyObject *args)
{
    PyObject *function = PyTuple_GET_ITEM(bound, 0);
    PyObject *self = PyWeakref_GetObject(PyTuple_GET_ITEM(bound, 1));
    if (!self || self == Py_None) {
        if (!PyErr_Occurred())
            PyErr_SetString(PyExc_RuntimeError, "the object of this method is gone");
        return NULL;
    }
    const Py_ssize_t count = PyTuple_GET_SIZE(args);
    PyObject *full = PyTuple_New(count + 1);
    if (!full)
        return NULL;
    Py_INCREF(self);
    PyTuple_SET_ITEM(full, 0, self);
    for (Py_ssize_t i = 0; i < count; ++i) {
        PyObject *item = PyTuple_GET_ITEM(args, i);
        Py_INCREF(item);
        PyTuple_SET_ITEM(full, i + 1, item);
    }
    PyObject *result = PyObject_Call(function, full, NULL);
    Py_DECREF(full);
    return result;
}

static PyMethodDef KyPy_WeakMethodDef = {"weak_method", KyPy_WeakMethodCall, METH_VARARGS, NULL};

// The lookup of a director's method (the directors' only use of PyObject_GetAttr, see below);
// called with the interpreter lock held.
SWIGINTERN PyObject *KyPy_DirectorMethodLookup(PyObject *self, PyObject *name)
{
    PyObject *method = PyObject_GetAttr(self, name);
    if (!method || !PyMethod_Check(method) || PyMethod_GET_SELF(method) != self)
        return method;
    PyObject *weak = PyWeakref_NewRef(self, NULL);
    PyObject *bound = weak ? PyTuple_Pack(2, PyMethod_GET_FUNCTION(method), weak) : NULL;
    Py_XDECREF(weak);
    PyObject *callable = bound ? PyCFunction_New(&KyPy_WeakMethodDef, bound) : NULL;
    Py_XDECREF(bound);
    if (!callable) {
        PyErr_Clear();  // an object without weak references keeps the bound method
        return method;
    }
    Py_DECREF(method);
    return callable;
}
// Only the directors' method lookup (swig_get_method, in the director classes that follow all
// %header code) calls PyObject_GetAttr after this point.
#define PyObject_GetAttr(object, name) KyPy_DirectorMethodLookup(object, name)

// Should a bound method still be cached (an object without weak references), the cycle is
// broken when a registration lets the director go (KyPy_Kept): its cache is emptied so that the
// object can die once the program drops it. One clearer per callback class, tried in turn.
typedef bool (*KyPy_CacheClearer)(Swig::Director *);
SWIGINTERN std::vector<KyPy_CacheClearer> &KyPy_CacheClearers()
{
    static std::vector<KyPy_CacheClearer> clearers;
    return clearers;
}
// Empties the method cache of a director; called with the interpreter lock held.
SWIGINTERN void KyPy_ClearMethodCache(Swig::Director *director)
{
    for (KyPy_CacheClearer clear : KyPy_CacheClearers())
        if (clear(director))
            return;
}
// Reaches a director class's private cache (explicit instantiation may name private members).
template <typename Tag, typename Director, auto Cache>
struct KyPy_CacheAccess {
    friend bool KyPy_ClearCacheOf(Tag, Swig::Director *director)
    {
        Director *d = dynamic_cast<Director *>(director);
        if (!d)
            return false;
        for (auto &slot : d->*Cache)
            slot = NULL;
        return true;
    }
};
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
%wrapper %{
extern "C++" {
struct KyPy_CacheTag_##Class {
    friend bool KyPy_ClearCacheOf(KyPy_CacheTag_##Class, Swig::Director *);
};
template struct KyPy_CacheAccess<KyPy_CacheTag_##Class, SwigDirector_##Class, &SwigDirector_##Class::vtable>;
static bool KyPy_ClearCache_##Class(Swig::Director *director)
{
    return KyPy_ClearCacheOf(KyPy_CacheTag_##Class(), director);
}
static const bool kyPyCacheClearer_##Class = (KyPy_CacheClearers().push_back(&KyPy_ClearCache_##Class), true);
}
%}
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
