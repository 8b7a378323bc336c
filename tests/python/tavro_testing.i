// _tavro_testing: a test-only extension module. It shares the frame of _tavro_python (and, at run
// time, its type table) and adds small native functions that exercise the frame's conventions
// and call log sinks from native threads. It is never installed.
%module(directors="1") tavro_testing

%begin %{
#define SWIG_PYTHON_DIRECTOR_VTABLE
#define SWIG_FILE_WITH_INIT
// The errors of overrides are kept in the main module's per-thread record (ky_runtime.i).
#define KYPY_THREAD_ERRORS_OF_MAIN_MODULE
%}

%include "frame/ky_runtime.i"
%include "frame/ky_typemaps.i"
%include "frame/ky_arrays.i"
%include "frame/ky_callbacks.i"
// The classes of the main module, known here by type only; their wrappers live there.
%import "frame/ky_constants.i"
%import "bindings/ky_string_result.i"
%import "bindings/ky_logging.i"
%import(module="tavro_python") "frame/ky_gen_downcast.i"
%import(module="tavro_python") "bindings/ky_gen_parameter_array.i"
%import(module="tavro_python") "bindings/ky_gen_parameter_list.i"
%import(module="tavro_python") "bindings/ky_gen_parameter.i"

%init %{
  if (!KyPy_ImportNumpy()) {
    Py_DECREF(m);
    return NULL;
  }
%}

%{
#include <atomic>
#include <thread>
#include <vector>

#include "ky/base/KyLogDispatcher.h"
#include "ky/base/KyLogger.h"
%}

%apply KyString &KY_OUT_TEXT { KyString &textOut };
%apply unsigned int &KY_OUT_IF_OK { uint32_t &valueOut };
%apply double &KY_OUT_IF_OK { double &ratioOut };
%apply uint16_t &OUTPUT { uint16_t &high, uint16_t &low };
%apply (uint8_t *KY_ARRAY_OUT, uint32_t KY_ARRAY_OUT_SIZE) { (uint8_t *data, uint32_t count) };
%apply (const uint8_t *KY_ARRAY_IN, size_t KY_ARRAY_IN_SIZE) { (const uint8_t *values, size_t count) };

// Shapes used by the most-derived result test.
%inline %{
class TestShape
{
public:
    virtual ~TestShape() = default;
    virtual const char *Name() const { return "shape"; }
};
class TestSquare : public TestShape
{
public:
    const char *Name() const override { return "square"; }
};
%}

%typemap(out) TestShape * {
  swig_type_info *types[] = {$descriptor(TestSquare *)};
  $result = KyPy_Downcast<TestShape, TestSquare>::Make($1, $descriptor(TestShape *), types);
}

%newobject MakeShape;
// Builds Python objects: keeps the lock.
%nothread ResultTuple;
%inline %{
// Registers the sink, logs perThread records from each of threads native threads, unregisters.
// Returns the number of records handed to the dispatcher.
uint32_t LogFromThreads(KyLogSink *sink, uint32_t threads, uint32_t perThread)
{
    if (!sink || threads > 64 || perThread > 10000)
        return 0;
    if (!KyLogDispatcher::AddSink(sink).IsOK())
        return 0;
    std::atomic<uint32_t> sent{0};
    std::vector<std::thread> workers;
    for (uint32_t t = 0; t < threads; ++t) {
        workers.emplace_back([t, perThread, &sent] {
            KyLogger logger(KyString("worker"));
            for (uint32_t i = 0; i < perThread; ++i) {
                logger.LogWarning("worker.cpp", static_cast<int>(t), "Run", "record");
                ++sent;
            }
        });
    }
    for (auto &w : workers)
        w.join();
    (void)KyLogDispatcher::RemoveSink(sink);  // added above, so it is there to remove
    return sent.load();
}

// The same on the calling thread.
void LogHere(KyLogSink *sink, const char *message)
{
    if (!sink || !KyLogDispatcher::AddSink(sink).IsOK())
        return;
    KyLogger logger(KyString("here"));
    logger.LogError("here.cpp", 7, "LogHere", message);
    (void)KyLogDispatcher::RemoveSink(sink);  // added above, so it is there to remove
}

// Number conversions: each returns its argument.
uint16_t TakeUInt16(uint16_t value) { return value; }
int64_t TakeInt64(int64_t value) { return value; }
uint64_t TakeUInt64(uint64_t value) { return value; }
size_t TakeSize(size_t value) { return value; }
double TakeDouble(double value) { return value; }
bool TakeBool(bool value) { return value; }
KyLogLevelEnum TakeLevel(KyLogLevelEnum value) { return value; }

// Text in and out: the KyString it was given, as an out-value reported only on success.
KyResult EchoText(uint32_t code, const KyString &text, KyString &textOut)
{
    textOut = text;
    return KyResult(code);
}
// Out-values: reported only on success, and always.
KyResult GetNumbers(uint32_t code, uint32_t &valueOut, double &ratioOut)
{
    valueOut = 4000000000u;
    ratioOut = 0.5;
    return KyResult(code);
}
void SplitWord(uint32_t word, uint16_t &high, uint16_t &low)
{
    high = static_cast<uint16_t>(word >> 16);
    low = static_cast<uint16_t>(word & 0xFFFF);
}
void HighHalf(uint32_t word, uint16_t &high) { high = static_cast<uint16_t>(word >> 16); }

// Fills a KyString the caller passes (no conversion).
void FillText(KyString &target) { target = KyString("filled"); }
KyString MakeText(const char *text) { return KyString(text); }
const char *NullText() { return nullptr; }

// Arrays: an output array of the requested size filled with its indices, and the sum of an input.
KyResult FillArray(uint8_t *data, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        data[i] = static_cast<uint8_t>(i);
    return KyResult();
}
uint64_t SumArray(const uint8_t *values, size_t count)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += values[i];
    return sum;
}

// Results: a tuple headed by the result, and the most derived class of a pointer.
PyObject *ResultTuple(uint32_t code) { return KyPy_ResultTuple(KyResult(code), {PyLong_FromLong(7), NULL}); }
TestShape *MakeShape(bool square) { return square ? new TestSquare : new TestShape; }
TestShape *NullShape() { return nullptr; }
%}

// Memory lent by native code, seen as a numpy view.
%inline %{
class TestBuffer
{
public:
    explicit TestBuffer(uint32_t size) : mData(size > 1024 ? 1024 : size, 0) {}
    uint32_t Get(uint32_t index) const { return index < mData.size() ? mData[index] : 0; }
    uint8_t *Data() { return mData.data(); }
    uint32_t Size() const { return static_cast<uint32_t>(mData.size()); }

private:
    std::vector<uint8_t> mData;
};
%}
%nothread TestBuffer::View;
%extend TestBuffer {
  PyObject *View() {
    npy_intp dims[1] = {(npy_intp) $self->Size()};
    return KyPy_ArrayView($self->Data(), 1, dims, NPY_UBYTE, NULL);
  }
}

// A software GigE Vision camera in this process, for the device tests: it sends events on its
// message channel when asked. Runs only inside the tests' private network namespace.
%{
#include <memory>

#include "ky/virtualdevice/IKyMessageChannel.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
%}
%apply (const uint8_t *KY_ARRAY_IN, size_t KY_ARRAY_IN_SIZE) { (const uint8_t *data, size_t size) };
%inline %{
class TestEventCamera
{
public:
    // Starts on the adapter with that MAC address, at one of its IP addresses.
    KyResult Start(const KyString &mac, const KyString &ip)
    {
        mDevice = std::make_unique<KySoftDeviceGEV>();
        KyResult result = mDevice->SetIPAddress(ip);
        return result.IsOK() ? mDevice->Start(mac) : result;
    }
    // Whether a controller opened the message channel.
    bool IsChannelOpen()
    {
        IKyMessageChannel *channel = mDevice ? mDevice->GetMessagingChannel() : nullptr;
        return channel && channel->IsOpened();
    }
    // Sends one event, with the bytes as its data (none when empty); waits for the acknowledge.
    KyResult Fire(uint16_t eventId, uint64_t blockId, const uint8_t *data, size_t size)
    {
        IKyMessageChannel *channel = mDevice ? mDevice->GetMessagingChannel() : nullptr;
        if (!channel)
            return KyResult(KY_STATE_ERROR);
        if (size == 0)
            return channel->FireEvent(eventId, blockId);
        std::vector<uint8_t> bytes(data, data + size);
        return channel->FireEvent(eventId, bytes.data(), static_cast<uint32_t>(bytes.size()), blockId);
    }
    KyResult Stop() { return mDevice ? mDevice->Stop() : KyResult(KY_STATE_ERROR); }

private:
    std::unique_ptr<KySoftDeviceGEV> mDevice;
};
%}

// A node map over device memory in this process, loaded from a GenICam XML file: the GenICam
// tests' road where the soft camera has no feature of a kind. The memory can be changed behind
// the map's back (Poke32), and the array is lent (borrowed) like a device's.
%{
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

#include "ky/genicam/IKyGenPort.h"
#include "ky/genicam/KyGenEventSink.h"
#include "ky/genicam/KyGenParameterArray.h"
%}
%inline %{
class TestNodeMap : private IKyGenPort
{
public:
    TestNodeMap() : mMemory(0x1000, 0) {}
    // Loads the file (the port's memory is set first with Poke32 where the XML needs values).
    KyResult Load(const char *path)
    {
        std::ifstream in(path ? path : "", std::ios::binary);
        if (!in)
            return KyResult(KY_NOT_FOUND);
        std::stringstream text;
        text << in.rdbuf();
        return mArray.Load(KyString(text.str()), this);
    }
    KyGenParameterArray *GetParameters() { return &mArray; }
    // Big-endian 32-bit word at the address (the XML's registers are big-endian).
    void Poke32(uint32_t address, uint32_t value)
    {
        if (address <= mMemory.size() - 4)
            for (int i = 0; i < 4; ++i)
                mMemory[address + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    }
    uint32_t Peek32(uint32_t address) const
    {
        uint32_t value = 0;
        if (address <= mMemory.size() - 4)
            for (int i = 0; i < 4; ++i)
                value = value << 8 | mMemory[address + i];
        return value;
    }
    uint32_t Reads() const { return mReads; }
    uint32_t Writes() const { return mWrites; }
    // From now on each device read waits (at most 20 s) until another thread calls
    // ReleaseReads; WaitedForRelease tells whether the last read was released in time.
    void HoldReads()
    {
        std::lock_guard<std::mutex> lock(mHoldMutex);
        mHold = true;
        mReleased = false;
    }
    void ReleaseReads()
    {
        std::lock_guard<std::mutex> lock(mHoldMutex);
        mReleased = true;
        mHoldChanged.notify_all();
    }
    bool WaitedForRelease() const { return mWaitedForRelease; }
    // Whether a read is waiting for ReleaseReads now.
    bool ReadWaiting()
    {
        std::lock_guard<std::mutex> lock(mHoldMutex);
        return mWaiting;
    }

private:
    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override
    {
        {
            std::unique_lock<std::mutex> lock(mHoldMutex);
            if (mHold) {
                mWaiting = true;
                mWaitedForRelease = mHoldChanged.wait_for(lock, std::chrono::seconds(20), [this] { return mReleased; });
                mWaiting = false;
                mHold = false;
            }
        }
        ++mReads;
        if (address > mMemory.size() || length > mMemory.size() - address)
            return KyResult(KY_INVALID_PARAMETER);
        std::memcpy(data, mMemory.data() + address, length);
        return KyResult();
    }
    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override
    {
        ++mWrites;
        if (address > mMemory.size() || length > mMemory.size() - address)
            return KyResult(KY_INVALID_PARAMETER);
        std::memcpy(mMemory.data() + address, data, length);
        return KyResult();
    }

    std::vector<uint8_t> mMemory;
    KyGenParameterArray mArray;
    uint32_t mReads = 0;
    uint32_t mWrites = 0;
    std::mutex mHoldMutex;
    std::condition_variable mHoldChanged;
    bool mHold = false, mReleased = false, mWaiting = false, mWaitedForRelease = false;
};
%}

// A feature as a plain KyGenParameter object, without the down-cast of the lookups.
%typemap(out) KyGenParameter *AsParameter "$result = SWIG_NewPointerObj(SWIG_as_voidptr($1), $descriptor(KyGenParameter *), 0);";
%inline %{
KyGenParameter *AsParameter(KyGenParameterArray *array, const char *name)
{
    return array && name ? array->Get(KyString(name)) : nullptr;
}

// A native parameter-update sink that counts its calls and remembers the last feature.
class TestUpdateSink : public KyGenEventSink
{
public:
    virtual ~TestUpdateSink() = default;
    void OnParameterUpdate(KyGenParameter *aParameter) override
    {
        ++mCount;
        mLast = aParameter;
    }
    uint32_t Count() const { return mCount; }
    KyGenEventSink *AsSink() { return this; }
    bool LastIs(KyGenParameter *parameter) const { return mLast == parameter; }

private:
    uint32_t mCount = 0;
    KyGenParameter *mLast = nullptr;
};
%}
// A stand-in image that describes any geometry over memory of its own, for the image shape rule
// (bindings/ky_buffer_arrays.i): whatever the image claims, a view never reaches past its memory.
%include "bindings/ky_buffer_arrays.i"
%import "ky/buffer/KyBufferExport.h"
%import "ky/buffer/IKyImage.h"
%inline %{
class TestImage : public IKyImage
{
public:
    // memory: bytes behind the image, from a store of 1 MiB; 0 gives an image without memory.
    TestImage(uint32_t width, uint32_t height, int pixelType, uint16_t paddingX, uint16_t paddingY,
              uint32_t memory, uint32_t imageSize)
        : mData(memory > (1u << 20) ? (1u << 20) : memory), mWidth(width), mHeight(height),
          mPixelType(pixelType), mPaddingX(paddingX), mPaddingY(paddingY), mImageSize(imageSize)
    {
    }
    const uint8_t *GetDataPointer() const override { return mData.empty() ? nullptr : mData.data(); }
    uint8_t *GetDataPointer() override { return mData.empty() ? nullptr : mData.data(); }
    uint32_t GetImageSize() const override { return mImageSize; }
    uint32_t GetWidth() const override { return mWidth; }
    uint32_t GetHeight() const override { return mHeight; }
    KyPixelType GetPixelType() const override { return static_cast<KyPixelType>(mPixelType); }
    uint32_t GetBitsPerPixel() const override { return (static_cast<uint32_t>(mPixelType) >> 16) & 0xFF; }
    uint32_t GetOffsetX() const override { return 0; }
    uint32_t GetOffsetY() const override { return 0; }
    uint16_t GetPaddingX() const override { return mPaddingX; }
    uint16_t GetPaddingY() const override { return mPaddingY; }
    uint64_t GetBlockID() const override { return 0; }
    uint64_t GetTimestamp() const override { return 0; }
    uint64_t GetReceptionTime() const override { return 0; }
    uint32_t Memory() const { return static_cast<uint32_t>(mData.size()); }

private:
    std::vector<uint8_t> mData;
    uint32_t mWidth, mHeight;
    int mPixelType;
    uint16_t mPaddingX, mPaddingY;
    uint32_t mImageSize;
};
%}
%nothread TestImage::View;
%extend TestImage {
  // The view the bindings give of this image's memory.
  PyObject *View() {
    return KyPy_ImageView($self, $self->GetDataPointer(), $self->Memory());
  }
}

// A uint32_t cell for the functions that write through a plain reference (a `uint32_t *` pointer
// object, which the main module never makes).
%inline %{
uint32_t *UInt32Cell()
{
    static uint32_t cell = 0;
    return &cell;
}
uint32_t UInt32CellValue() { return *UInt32Cell(); }
void SetUInt32Cell(uint32_t value) { *UInt32Cell() = value; }
%}

// Soft USB3 Vision cameras on the process's simulated USB host controller (the module has no
// binding for the soft device side of USB3 Vision): plug, unplug, raise an event.
%{
#include "u3vdevice/SoftU3vDeclarations.h"
%}
%inline %{
// The KyResult code of plugging a Mono8 test-pattern camera with this identity.
uint32_t PlugSoftU3v(const char *guid, const char *serial, const char *model, uint32_t width, uint32_t height)
{
    ky::soft::SoftU3vSettings settings;
    settings.guid = guid ? guid : "";
    settings.serial = serial ? serial : "";
    settings.model = model ? model : "";
    settings.width = width;
    settings.height = height;
    return ky::soft::SoftU3vDeclarations::Plug(settings).GetCode();
}
uint32_t UnplugSoftU3v(const char *guid)
{
    return ky::soft::SoftU3vDeclarations::Unplug(guid ? guid : "").GetCode();
}
// Whether the camera sent the event (its notification must be on).
bool RaiseSoftU3vEvent(const char *guid, uint16_t eventId)
{
    const uint8_t data[] = {0x55, 0xAA};
    return ky::soft::SoftU3vDeclarations::RaiseEvent(guid ? guid : "", eventId, data, sizeof data);
}
%}
