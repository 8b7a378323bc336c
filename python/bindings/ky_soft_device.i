// IKySoftDeviceGEV and KySoftDeviceGEV: a GigE Vision camera made of software. The program owns
// the device it makes; sinks, sources and notifications stay owned by their Python objects, and
// the device holds them while they are registered (ky_keepalive.i). Start calls the sinks'
// creation callbacks on the calling thread; every call runs with the interpreter lock released,
// so the device's threads can run the overrides meanwhile. Identity, register map, statistics
// and message channel are borrowed from the running device (None otherwise).

%{
#include "ky/virtualdevice/IKySoftDeviceGEV.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
%}

%apply KyString &KY_OUT_TEXT_TUPLE { KyString &aXMLFile };

// Start: a creation callback that raised made Start fail, and its error is raised (Start's
// failure carries the error's text); an override that failed where Start still succeeded, or
// that Start's failure does not name (a source's wrong answer, which the device logs), has been
// reported, and the device's result stands.
%header %{
// Whether the failed result names the pending Python error (its text is in the description).
SWIGINTERN bool KyPy_FailedWithPendingError(const KyResult &result)
{
    if (!result.IsFailure() || !PyErr_Occurred())
        return false;
    PyObject *type = NULL, *value = NULL, *traceback = NULL;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    PyObject *text = value ? PyObject_Str(value) : NULL;
    const char *utf8 = text ? PyUnicode_AsUTF8(text) : NULL;
    const bool named = utf8 && *utf8 && result.GetDescription().str().find(utf8) != std::string::npos;
    Py_XDECREF(text);
    PyErr_Clear();
    PyErr_Restore(type, value, traceback);
    return named;
}
%}
%define KY_SOFT_START_EXCEPTION(Function)
%exception Function {
  KY_SDK_CALL(if (kyCall.threw || KyPy_FailedWithPendingError(result)) SWIG_fail; PyErr_Clear();)
}
%enddef
KY_SOFT_START_EXCEPTION(IKySoftDeviceGEV::Start)
KY_SOFT_START_EXCEPTION(KySoftDeviceGEV::Start)
KY_SOFT_DROP_OVERRIDE_ERRORS(IKySoftDeviceGEV::Stop)
KY_SOFT_DROP_OVERRIDE_ERRORS(KySoftDeviceGEV::Stop)
// Deletion: as Stop, and what was registered with the device is let go once it is gone.
%define KY_SOFT_DEVICE_DELETION(Function)
%exception Function {
  const void *kyOwner = KyPy_Identity(arg1);
  KY_SDK_CALL(if (kyCall.threw) SWIG_fail; PyErr_Clear();)
  KyPy_KeptOwnerGone(kyOwner);
}
%enddef
KY_SOFT_DEVICE_DELETION(IKySoftDeviceGEV::~IKySoftDeviceGEV)
KY_SOFT_DEVICE_DELETION(KySoftDeviceGEV::~KySoftDeviceGEV)

// ----- IKySoftDeviceGEV
%include "ky/virtualdevice/IKySoftDeviceGEV.h"

// ----- KySoftDeviceGEV
// The kit's own test and network switches stay in C++.
%ignore KySoftDeviceGEV::SetStreamTestDropFraction;
%ignore KySoftDeviceGEV::SetIPAddress;
%ignore KySoftDeviceGEV::SetApplyForcedIP;
%ignore KySoftDeviceGEV::SetGenICamXMLZipped;
%ignore KySoftDeviceGEV::Impl;
%include "ky/virtualdevice/KySoftDeviceGEV.h"
%clear KyString &aXMLFile;
