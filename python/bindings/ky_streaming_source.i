// IKyStreamingChannelSource: what feeds one stream channel of a software device. A Python class
// implements it (every query, setter, hook and the buffer exchange) and hands it to AddStream;
// the device calls it on its own threads and, inside Start, on the thread calling Start.
//
// What crosses, besides plain numbers:
// - GetWidthInfo/GetHeightInfo: the override returns (min, max, inc); the method returns the
//   same bare tuple of three ints (no KyResult).
// - GetSupportedPixelType(index) -> (KyResult, pixel type), GetSupportedChunk(index) ->
//   (KyResult, chunk ID, chunk name), GetGevSCPSPacketSizeInfo() -> (KyResult, maximum), for
//   the override and the method alike; the out-values start at 0 (or an empty name).
// - AllocBuffer: the KyBuffer an override returns stops being owned by its Python object (the
//   device keeps using it until FreeBuffer); the method returns a borrowed KyBuffer.
// - QueueBuffer/FreeBuffer get a borrowed KyBuffer; RetrieveBuffer(notused) returns
//   (KyResult, KyBuffer or None) and its method returns the KyResult alone.
// A KyResult is an int code or a KyResult object; anything else (None included) is the
// director's TypeError "SWIG director type mismatch ..." and the operation fails.

%{
#include "ky/buffer/KyBuffer.h"
#include "ky/virtualdevice/IKyGenApiFactory.h"
#include "ky/virtualdevice/IKyRegisterFactory.h"
#include "ky/virtualdevice/IKyRegisterMap.h"
#include "ky/virtualdevice/IKyStreamingChannelSource.h"
#include "ky/virtualdevice/KyStreamingChannelSourceDefault.h"
%}

%fragment("KyPy_SourceItems", "header", fragment="KyPy_DirectorResult", fragment="KyPy_Text") %{
// An item of an override's tuple as uint32_t; a type mismatch (TypeError for a non-int,
// OverflowError outside 0 to 4294967295) otherwise.
SWIGINTERN uint32_t KyPy_SourceUInt32Item(PyObject *item)
{
    if (!PyLong_Check(item)) {
        Swig::DirectorTypeMismatchException::raise(PyExc_TypeError, "in output value of type 'uint32_t'");
    }
    const unsigned long value = PyLong_AsUnsignedLong(item);
    if (PyErr_Occurred() || value > 0xFFFFFFFFul) {
        PyErr_Clear();
        Swig::DirectorTypeMismatchException::raise(PyExc_OverflowError, "in output value of type 'uint32_t'");
    }
    return static_cast<uint32_t>(value);
}

// The class named in the tuple texts of a forwarding source.
SWIGINTERN const char *KyPy_SourceClassName(const IKyStreamingChannelSource *source)
{
    return dynamic_cast<const KyStreamingChannelSourceDefault *>(source) ? "KyStreamingChannelSourceDefault"
                                                                          : "IKyStreamingChannelSource";
}

// Item n of an override's tuple, or the forwarding failure naming the tuple it should have been
// (the IndexError or SystemError of the access stays the pending error).
SWIGINTERN PyObject *KyPy_SourceTupleItem(PyObject *result, Py_ssize_t n, const char *what)
{
    PyObject *item = PyTuple_Check(result) ? PyTuple_GetItem(result, n) : NULL;
    if (!item) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, what);
        throw Swig::DirectorException(PyExc_RuntimeError, what);
    }
    return item;
}
%}

// ----- Image format queries with three out-values: a bare tuple both ways.
%typemap(in, numinputs=0, noblock=1) uint32_t &aMin (uint32_t temp = 0), uint32_t &aMax (uint32_t temp = 0), uint32_t &aInc (uint32_t temp = 0) {
  $1 = &temp;
}
%typemap(argout, noblock=1) uint32_t &aMin "";
%typemap(argout, noblock=1) uint32_t &aInc {
  Py_XDECREF($result);
  $result = Py_BuildValue("(kkk)", (unsigned long) *arg2, (unsigned long) *arg3, (unsigned long) *arg4);
  if (!$result) SWIG_fail;
}
%typemap(directorin, noblock=1) uint32_t &aMin, uint32_t &aMax, uint32_t &aInc "";
// Only aInc reads the override's answer (one output: the whole result), and writes all three.
%typemap(directorargout, fragment="KyPy_SourceItems") uint32_t &aInc {
  /* (min, max, inc) from the override */
  const char *kyWhat = "$symname failed to return a 3-tuple";
  aMin = KyPy_SourceUInt32Item(KyPy_SourceTupleItem($result, 0, kyWhat));
  aMax = KyPy_SourceUInt32Item(KyPy_SourceTupleItem($result, 1, kyWhat));
  aInc = KyPy_SourceUInt32Item(KyPy_SourceTupleItem($result, 2, kyWhat));
}

// ----- Enumeration queries: (KyResult, values...) both ways.
%typemap(in, numinputs=0, noblock=1) KyPixelType &aPixelType (KyPixelType temp = static_cast<KyPixelType>(0)) { $1 = &temp; }
%typemap(argout, noblock=1) KyPixelType &aPixelType {
  $result = SWIG_Python_AppendOutput($result, PyLong_FromUnsignedLong(static_cast<uint32_t>(*$1)));
}
%typemap(directorin, noblock=1) KyPixelType &aPixelType "";
%typemap(directorargout) KyPixelType &aPixelType {
  /* item 1, the pixel type: an int in the signed 32-bit range */
  {
    PyObject *kyItem = PyTuple_GetItem($result, 1);
    if (!kyItem) {
      throw Swig::DirectorException(PyExc_RuntimeError, "$symname failed to return a 2-tuple");
    }
    if (!PyLong_Check(kyItem)) {
      Swig::DirectorTypeMismatchException::raise(PyExc_TypeError, "in output value of type 'KyPixel'");
    }
    const long kyValue = PyLong_AsLong(kyItem);
    if (PyErr_Occurred() || kyValue < INT32_MIN || kyValue > INT32_MAX) {
      PyErr_Clear();
      Swig::DirectorTypeMismatchException::raise(PyExc_OverflowError, "in output value of type 'KyPixel'");
    }
    aPixelType = static_cast<KyPixelType>(kyValue);
  }
}
// The answers with out-values are tuples headed by the KyResult. (The out-values take no Python
// argument, so the tuple is unpacked here rather than by the generated code.)
%typemap(directorout, fragment="KyPy_SourceItems") KyResult GetSupportedPixelType, KyResult GetSupportedChunk {
  /* (KyResult, values...) from the override */
  if (!PyTuple_Check($input)) {
    const std::string kyText = std::string("Python method ") + KyPy_SourceClassName(this) + ".$symnamefailed to return a tuple.";
    Swig::DirectorTypeMismatchException::raise(PyExc_TypeError, kyText.c_str());
  }
  {
    PyObject *kyItem = PyTuple_GetItem($input, 0);
    if (!kyItem) PyErr_Clear();  /* an empty tuple: the KyResult is what is missing */
    if (!KyPy_ResultFromOverride(kyItem, $result)) {
      Swig::DirectorTypeMismatchException::raise(PyExc_TypeError, "in method $symname with output value of type 'KyResult'");
    }
  }
}
%typemap(directorout, fragment="KyPy_SourceItems") KyResult GetGevSCPSPacketSizeInfo {
  /* (KyResult, maximum) from the override */
  if (!KyPy_ResultFromOverride(KyPy_SourceTupleItem($input, 0, "$symname failed to return a 2-tuple"), $result)) {
    Swig::DirectorTypeMismatchException::raise(PyExc_TypeError, "in method $symname 1 with output value of type 'KyResult'");
  }
}
%typemap(in, numinputs=0, noblock=1) uint32_t &aChunkID (uint32_t temp = 0), uint32_t &aMax (uint32_t temp = 0) { $1 = &temp; }
%typemap(argout, noblock=1) uint32_t &aChunkID {
  $result = SWIG_Python_AppendOutput($result, PyLong_FromUnsignedLong(*$1));
}
%typemap(argout, noblock=1) uint32_t &aMax {
  if (KyPy_HasSuffix("$symname", "PacketSizeInfo")) $result = SWIG_Python_AppendOutput($result, PyLong_FromUnsignedLong(*$1));
}
%typemap(directorin, noblock=1) uint32_t &aChunkID, uint32_t &aMax "";
%typemap(directorargout, fragment="KyPy_SourceItems") uint32_t &aChunkID {
  aChunkID = KyPy_SourceUInt32Item(KyPy_SourceTupleItem($result, 1, "$symname failed to return a 3-tuple"));
}
%typemap(directorargout, fragment="KyPy_SourceItems") uint32_t &aMax {
  /* the packet size limit (the size limits' aMax is read with aInc) */
  if (KyPy_HasSuffix("$symname", "PacketSizeInfo")) {
  aMax = KyPy_SourceUInt32Item(KyPy_SourceTupleItem($result, 1, "$symname failed to return a 2-tuple"));
  }
}
%typemap(in, numinputs=0, noblock=1) KyString &aChunkName (KyString temp) { $1 = &temp; }
%typemap(argout, noblock=1) KyString &aChunkName {
  $result = SWIG_Python_AppendOutput($result, SWIG_FromCharPtr($1->GetAscii()));
}
%typemap(directorin, noblock=1) KyString &aChunkName "";
%typemap(directorargout, fragment="KyPy_Text") KyString &aChunkName {
  PyObject *kyName = KyPy_SourceTupleItem($result, 2, "$symname failed to return a 3-tuple");
  if (!PyUnicode_Check(kyName) || !KyPy_TextToKyString(kyName, aChunkName)) {
    Swig::DirectorTypeMismatchException::raise(PyExc_TypeError, "in output value of type str");
  }
}
// Results with out-values come back as tuples, not lists.
%typemap(ret, noblock=1) KyResult GetSupportedPixelType, KyResult GetSupportedChunk, KyResult GetGevSCPSPacketSizeInfo {
  if ($result && PyList_Check($result)) {
    PyObject *kyTuple = PyList_AsTuple($result);
    Py_DECREF($result);
    $result = kyTuple;
  }
}
// The index: a Python int in the signed 32-bit range.
%typemap(in) int aIndex {
  if (!PyLong_Check($input)) {
    if (KyPy_HasSuffix("$symname", "GetSupportedPixelType")) {
      SWIG_exception_fail(SWIG_RuntimeError, "Invalid index");
    }
    SWIG_exception_fail(SWIG_TypeError, "method '$symname' expected argument 1 of type int");
  }
  {
    const long kyIndex = PyLong_AsLong($input);
    if (PyErr_Occurred() || kyIndex < INT32_MIN || kyIndex > INT32_MAX) {
      PyErr_Clear();
      if (KyPy_HasSuffix("$symname", "GetSupportedPixelType")) {
        SWIG_exception_fail(SWIG_RuntimeError, "Invalid index");
      }
      SWIG_exception_fail(SWIG_OverflowError, "method '$symname' expected argument 1 of type int");
    }
    $1 = static_cast<int>(kyIndex);
  }
}

// ----- Buffer exchange.
// The device's out-parameter of RetrieveBuffer: a KyBuffer ** pointer object, never null.
%typemap(check) KyBuffer **aBuffer {
  if (!$1) {
    %argument_fail(SWIG_TypeError, "$type", $symname, $argnum);
  }
}
%typemap(directorin, noblock=1) KyBuffer **aBuffer {
  $input = SWIG_NewPointerObj(SWIG_as_voidptr($1), $descriptor, 0);
}
%typemap(directorargout) KyBuffer **aBuffer {
  /* item 1: a KyBuffer or None, its ownership left as it is */
  {
    void *kyBuffer = 0;
    if (!$result || !SWIG_IsOK(SWIG_ConvertPtr($result, &kyBuffer, $*descriptor, 0))) {
      Swig::DirectorTypeMismatchException::raise(PyExc_TypeError, "in output value of type 'KyBuffer *'");
    }
    *aBuffer = static_cast<KyBuffer *>(kyBuffer);
  }
}
%typemap(argout) KyBuffer **aBuffer "";

// The source, the register map and factories are borrowed; None as the source is refused.
KY_CALLBACK_CLASS(IKyStreamingChannelSource)
KY_SOFT_CALLBACK_SELF(IKyStreamingChannelSource)
KY_SOFT_CALLBACK_SELF(IKyStreamingChannelSource const)
// Docstrings of the operations whose Python form differs from the C++ one (results instead of
// out-parameters), one text for the interface and the default source alike.
%define KY_PY_SOURCE_DOCSTRINGS(SOURCE)
%feature("docstring") SOURCE::GetWidthInfo "IKyStreamingChannelSource::GetWidthInfo() -> ( aMin, aMax, aInc )

Minimum, maximum and increment of the Width feature, which the device adds by itself to
its GenICam XML file (WidthMin, WidthMax, WidthInc). A Python override returns the tuple
(aMin, aMax, aInc) of three ints.

:rtype: Tuple[int, int, int]
:return: the smallest width, the largest width and the step between widths";
%feature("docstring") SOURCE::GetHeightInfo "IKyStreamingChannelSource::GetHeightInfo() -> ( aMin, aMax, aInc )

Minimum, maximum and increment of the Height feature, which the device adds by itself to
its GenICam XML file (HeightMin, HeightMax, HeightInc). A Python override returns the tuple
(aMin, aMax, aInc) of three ints.

:rtype: Tuple[int, int, int]
:return: the smallest height, the largest height and the step between heights";
%feature("docstring") SOURCE::GetSupportedPixelType "IKyStreamingChannelSource::GetSupportedPixelType( aIndex ) -> ( aResult, aPixelType )

The supported pixel types, by index: the device asks index 0, 1, 2 and so on (at most 256)
until the result is not OK, and lists each type once among the PixelFormat entries. For
Mono8 and BayerRG8: index 0 gives (KY_OK, KyPixelMono8), 1 gives (KY_OK, KyPixelBayerRG8),
2 gives (KY_INVALID_PARAMETER, 0). A Python override returns that tuple.

:type aIndex: int, in
:param aIndex: the index asked, from 0

:rtype: Tuple[:py:class:`KyResult`, int]
:return: KY_OK with the pixel type at that index, any other code after the last one";
%feature("docstring") SOURCE::GetSupportedChunk "IKyStreamingChannelSource::GetSupportedChunk( aIndex ) -> ( aResult, aChunkID, aChunkName )

The supported chunk types, by index as for the pixel types; an OK answer carries the chunk
ID and its name, which should begin with \"Chunk\". The device lists each ID once among the
ChunkSelector entries (at most 256 indices asked). A Python override returns the tuple
(KyResult, chunk ID, name).

:type aIndex: int, in
:param aIndex: the index asked, from 0

:rtype: Tuple[:py:class:`KyResult`, int, str]
:return: KY_OK with the chunk ID and name at that index, any other code after the last one";
%feature("docstring") SOURCE::GetGevSCPSPacketSizeInfo "IKyStreamingChannelSource::GetGevSCPSPacketSizeInfo() -> ( aResult, aMax )

Optional: a maximum for GevSCPSPacketSize, the stream's packet size, other than the
default 9000 bytes (up to 65535). KY_OK means the maximum was given; KY_NOT_IMPLEMENTED
(the base answer) or any other code keeps 9000. A Python override returns the tuple
(KyResult, maximum).

:rtype: Tuple[:py:class:`KyResult`, int]
:return: KY_OK with the largest packet size in bytes";
%feature("docstring") SOURCE::RetrieveBuffer "IKyStreamingChannelSource::RetrieveBuffer( notused ) -> ( aResult, aBuffer )

The device takes back a buffer that holds a valid image, which it then sends with GVSP;
also used to take back the aborted buffers after AbortQueuedBuffers. Wait for an image
in slices of 10, 20 or 50 ms, answering KY_TIMEOUT and no buffer when none is ready, so
that the device can stop streaming promptly.

:type notused: :py:class:`KyBuffer`, out
:param notused: Dummy argument. Unused.

:rtype: Tuple[:py:class:`KyResult`, :py:class:`KyBuffer`]
:return: KY_OK with a buffer to send; another code with a buffer gives it back unsent";
%enddef
KY_PY_SOURCE_DOCSTRINGS(IKyStreamingChannelSource)
KY_PY_SOURCE_DOCSTRINGS(KyStreamingChannelSourceDefault)

%include "ky/virtualdevice/IKyStreamingChannelSource.h"
