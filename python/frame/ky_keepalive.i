// Registrations keep what the SDK calls back alive. The SDK holds sinks, sources and
// notifications by plain pointer; a Python object handed to it is held by its registration until
// it is unregistered (or replaced), or until its owner is deleted, so that a program that drops
// its own reference never leaves the SDK calling freed memory.
//
// - Owner: the SDK object the sink is given to, by its most derived address (one owner whether
//   reached as KySoftDeviceGEV or IKySoftDeviceGEV). Objects that belong to another (the register
//   map and registers of a soft device, the factory its sink is given in OnCreateCustomRegisters,
//   the parameter array of a device or stream and its features) lead to that owner, so their
//   sinks go with it. A sink added to an object that reached Python some other way (a register
//   handed to a register sink) is held by that object until it is removed.
// - Held: the Python object given and, for a director reached through another object, the
//   director's own Python object.
// - Released: after the SDK call that unregisters succeeded, or after the owner's deletion
//   (delete_ functions, KyDevice_Free, KyStream_Free), always with the interpreter lock held by a
//   wrapper. A director that nothing holds any more has its method cache emptied, so that it dies
//   with the program's last reference.
// - A sink that itself references its owner's Python object keeps both alive until it is
//   unregistered or the owner is deleted explicitly: the registry is not seen by the collector.

%header %{
#include <cstring>
#include <type_traits>
#include <typeinfo>
#include <unordered_map>
#include <vector>

// The identity of an SDK object: its most derived address.
template <typename T>
SWIGINTERN const void *KyPy_Identity(T *object)
{
    if constexpr (std::is_polymorphic<T>::value)
        return object ? dynamic_cast<const void *>(object) : nullptr;
    else
        return object;
}

struct KyPy_KeptEntry {
    const void *owner;
    const void *sink;
    const char *slot;  // a place that holds one object (a notification), or null
    Swig::Director *director;
    PyObject *object;
    PyObject *self;
};

// The object an object belongs to, with both objects' dynamic types: an address is taken for that
// object only while it holds an object of the recorded type, so that a new object at the address
// of one that went unnoticed (a feature of a buffer's chunk array) belongs to nothing.
struct KyPy_Parent {
    const void *parent;
    const std::type_info *type;
    const std::type_info *parentType;
};

struct KyPy_KeptTable {
    std::vector<KyPy_KeptEntry> entries;
    std::unordered_map<const void *, KyPy_Parent> parents;  // object -> the object it belongs to
};

// The dynamic type of an SDK object (its static type for a class without virtual functions).
template <typename T>
SWIGINTERN const std::type_info *KyPy_TypeOf(T *object)
{
    if constexpr (std::is_polymorphic<T>::value)
        return object ? &typeid(*object) : nullptr;
    else
        return object ? &typeid(T) : nullptr;
}

// Used only with the interpreter lock held. Never destroyed: it may hold objects at exit.
SWIGINTERN KyPy_KeptTable &KyPy_Kept()
{
    static KyPy_KeptTable *table = new KyPy_KeptTable;
    return *table;
}

SWIGINTERN const void *KyPy_KeptRoot(const void *object, const std::type_info *type)
{
    auto &parents = KyPy_Kept().parents;
    for (int depth = 0; object && type && depth < 8; ++depth) {
        auto parent = parents.find(object);
        if (parent == parents.end())
            break;
        if (*parent->second.type != *type) {
            parents.erase(parent);  // another object lives there now
            break;
        }
        object = parent->second.parent;
        type = parent->second.parentType;
    }
    return object;
}

// Records that child belongs to parent.
template <typename Child, typename Parent>
SWIGINTERN void KyPy_KeptParent(Child *child, Parent *parent)
{
    const void *childIdentity = KyPy_Identity(child), *parentIdentity = KyPy_Identity(parent);
    if (childIdentity && parentIdentity && childIdentity != parentIdentity)
        KyPy_Kept().parents[childIdentity] = KyPy_Parent{parentIdentity, KyPy_TypeOf(child), KyPy_TypeOf(parent)};
}

// References let go while a director call was under way: a call the SDK started before the
// unregistration may still be waiting for the interpreter lock, and must find its director alive.
SWIGINTERN std::vector<PyObject *> &KyPy_Settling()
{
    static std::vector<PyObject *> *settling = new std::vector<PyObject *>;
    return *settling;
}

// Drops the references set aside once no director call is under way (lock held).
SWIGINTERN void KyPy_DropSettled()
{
    if (kyPyHoldsUnderWay.load() != 0 || KyPy_Settling().empty())
        return;
    std::vector<PyObject *> gone;
    gone.swap(KyPy_Settling());  // dropping may run Python code, and release again
    for (PyObject *object : gone)
        Py_DECREF(object);
}
static const bool kyPyHoldsEndedSet = (kyPyHoldsEnded = &KyPy_DropSettled, true);

// Lets the entries go: their directors' caches are emptied when nothing else holds them, then the
// references are dropped once no director call is under way (which may run Python code, so the
// table is not being walked).
SWIGINTERN void KyPy_KeptRelease(std::vector<KyPy_KeptEntry> &gone)
{
    const std::vector<KyPy_KeptEntry> &entries = KyPy_Kept().entries;
    for (const KyPy_KeptEntry &entry : gone) {
        bool held = false;
        for (const KyPy_KeptEntry &other : entries)
            held = held || other.sink == entry.sink;
        if (!held && entry.director)
            KyPy_ClearMethodCache(entry.director);
    }
    for (KyPy_KeptEntry &entry : gone) {
        if (entry.self)
            KyPy_Settling().push_back(entry.self);
        if (entry.object)
            KyPy_Settling().push_back(entry.object);
    }
    KyPy_DropSettled();
}

// Takes out the entries that match; all of them, or the first one only.
template <typename Match>
SWIGINTERN std::vector<KyPy_KeptEntry> KyPy_KeptTake(Match match, bool all)
{
    std::vector<KyPy_KeptEntry> &entries = KyPy_Kept().entries, gone;
    for (auto it = entries.begin(); it != entries.end();) {
        if (match(*it)) {
            gone.push_back(*it);
            it = entries.erase(it);
            if (!all)
                break;
        } else {
            ++it;
        }
    }
    return gone;
}

// After a successful registration call of the wrapper named symname: keeps, replaces or lets go
// of the Python object given for the sink (its identity, and its director if it is one). owner is
// the registering object's identity and ownerType its type (null for the process-wide
// registrations).
SWIGINTERN void KyPy_RegistrationOf(const char *symname, const void *owner, const std::type_info *ownerType,
                                    const void *identity, Swig::Director *director, PyObject *input,
                                    const KyResult &result)
{
    if (!result.IsOK())
        return;
    const void *root = KyPy_KeptRoot(owner, ownerType);
    const bool removes = std::strstr(symname, "Unregister") || std::strstr(symname, "Remove");
    const char *slot = std::strstr(symname, "SetUserSetNotify") ? "SetUserSetNotify" : nullptr;
    std::vector<KyPy_KeptEntry> gone;
    if (removes) {
        gone = KyPy_KeptTake([&](const KyPy_KeptEntry &e) { return e.owner == root && e.sink == identity; }, false);
    } else if (slot) {
        gone = KyPy_KeptTake([&](const KyPy_KeptEntry &e) { return e.owner == root && e.slot == slot; }, true);
    }
    if (!removes && identity) {
        PyObject *self = director ? director->swig_get_self() : NULL;
        if (self == input)
            self = NULL;
        Py_INCREF(input);
        Py_XINCREF(self);
        KyPy_Kept().entries.push_back(KyPy_KeptEntry{root, identity, slot, director, input, self});
    }
    KyPy_KeptRelease(gone);
}

template <typename Owner, typename Sink>
SWIGINTERN void KyPy_Registration(const char *symname, Owner *owner, Sink *sink, PyObject *input,
                                  const KyResult &result)
{
    KyPy_RegistrationOf(symname, KyPy_Identity(owner), KyPy_TypeOf(owner), KyPy_Identity(sink),
                        dynamic_cast<Swig::Director *>(sink), input, result);
}

// After the owner was deleted: lets go of everything registered with it. The owner and whatever
// belongs to it, at any depth (a feature of its parameter array), leave the parents map too: their
// addresses are free for new objects, which belong to nothing yet (a new device at the address of
// a deleted array's feature would otherwise hand its registrations to that array).
SWIGINTERN void KyPy_KeptOwnerGone(const void *owner)
{
    if (!owner)
        return;
    std::vector<KyPy_KeptEntry> gone =
        KyPy_KeptTake([&](const KyPy_KeptEntry &e) { return e.owner == owner; }, true);
    auto &parents = KyPy_Kept().parents;
    parents.erase(owner);
    std::vector<const void *> family{owner};
    for (size_t i = 0; i < family.size(); ++i) {
        for (auto it = parents.begin(); it != parents.end();) {
            if (it->second.parent == family[i]) {
                family.push_back(it->first);
                it = parents.erase(it);
            } else {
                ++it;
            }
        }
    }
    KyPy_KeptRelease(gone);
}
%}

// The sinks, sources and notifications that registrations hold (argument names as the SDK
// declares them).
%define KY_KEPT_BY_OWNER(PARAM)
%typemap(argout, noblock=1) PARAM {
  KyPy_Registration("$symname", arg1, $1, $input, result);
}
%enddef
KY_KEPT_BY_OWNER(KyDeviceEventSink *aEventSink)
KY_KEPT_BY_OWNER(IKyDeviceEventSink *aEventSink)
KY_KEPT_BY_OWNER(KyPipelineEventSink *aEventSink)
KY_KEPT_BY_OWNER(KyGenEventSink *aEventSink)
KY_KEPT_BY_OWNER(IKySoftDeviceGEVEventSink *aEventSink)
KY_KEPT_BY_OWNER(IKyStreamingChannelSource *aSource)
KY_KEPT_BY_OWNER(IKyUserSetNotify *aUserSetNotify)
KY_KEPT_BY_OWNER(IKyRegisterEventSink *aEventSink)
KY_KEPT_BY_OWNER(IKyRegisterEventSink *aRegisterEventSink)
// Sinks that Python has no class of (only pointer objects reach these); the serial port's echo
// sinks are process-wide.
%typemap(argout, noblock=1) KyStreamEventSink *aEventSink, KySystemEventSink *aEventSink {
  KyPy_RegistrationOf("$symname", KyPy_Identity(arg1), KyPy_TypeOf(arg1), (const void *) $1, (Swig::Director *) 0, $input, result);
}
%typemap(argout, noblock=1) KyDeviceSerialPortEchoSink *aEchoSink {
  KyPy_RegistrationOf("$symname", (const void *) 0, (const std::type_info *) 0, (const void *) $1, (Swig::Director *) 0, $input, result);
}

// Objects that belong to a soft device: their sinks are the device's.
%typemap(ret, noblock=1) IKyRegisterMap *GetRegisterMap, IKyRegister *GetRegisterByIndex,
                         IKyRegister *GetRegisterByAddress {
  KyPy_KeptParent($1, arg1);
}

// GenICam features belong to their parameter array, the array to its device or stream: a
// feature's sinks go with the device or stream.
%typemap(ret, noblock=1) KyGenParameterArray *GetParameters {
  KyPy_KeptParent($1, arg1);
}
%typemap(ret, noblock=1) KyGenParameter * {
  if (KyPy_HasPrefix("$symname", "KyGenParameterArray_")) {
    KyPy_KeptParent($1, arg1);
  }
}

// KY_RELEASES_KEPT(Function, OWNER): the wrapper of a function that deletes OWNER (an argument
// variable) lets go of what was registered with it once the SDK call returned.
%define KY_RELEASES_KEPT(Function, OWNER)
%exception Function {
  const void *kyOwner = KyPy_Identity(OWNER);
  KY_SDK_CALL(SWIG_fail;)
  KyPy_KeptOwnerGone(kyOwner);
}
%enddef
KY_RELEASES_KEPT(KyDevice::~KyDevice, arg1)
KY_RELEASES_KEPT(KyDeviceGEV::~KyDeviceGEV, arg1)
KY_RELEASES_KEPT(KyDeviceU3V::~KyDeviceU3V, arg1)
KY_RELEASES_KEPT(KyDevice::Free, arg1)
KY_RELEASES_KEPT(KyStream::~KyStream, arg1)
KY_RELEASES_KEPT(KyStream::Free, arg1)
KY_RELEASES_KEPT(KyStreamGEV::~KyStreamGEV, arg1)
KY_RELEASES_KEPT(KyStreamU3V::~KyStreamU3V, arg1)
KY_RELEASES_KEPT(KyStreamRTP::~KyStreamRTP, arg1)
KY_RELEASES_KEPT(KyPipeline::~KyPipeline, arg1)
KY_RELEASES_KEPT(KySystem::~KySystem, arg1)
KY_RELEASES_KEPT(KyDeviceAdapter::~KyDeviceAdapter, arg1)
// A parameter array of the program's own (its features' sinks are the array's).
KY_RELEASES_KEPT(KyGenParameterArray::~KyGenParameterArray, arg1)
