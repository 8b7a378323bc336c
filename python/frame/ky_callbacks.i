// Callback classes: SDK interfaces that a Python class may implement. KY_CALLBACK_CLASS(Class)
// before the class's header makes it subclassable in Python through a director:
// - its method wrappers keep the interpreter lock, since they may run Python code in the
//   director; constructor and destructor release it around the native call like every wrapper;
// - disown_Class keeps the lock too: it changes the reference count of the Python object;
// - a Python override that raises prints "In method 'Name': Type: value" to standard output
//   and throws Swig::DirectorMethodException into the native caller, once, without a retry.

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

%define KY_CALLBACK_CLASS(Class)
%feature("director") Class;
%nothread Class;
%thread Class::Class;
%thread Class::~Class;
%enddef
