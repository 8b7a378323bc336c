// KyGenParameterArray: the GenICam features of a device, of its communication layer or of a
// stream: a node map read from GenICam XML, reaching the device through an IKyGenPort.
//
// How to make one (device clients, the soft device):
//     KyGenParameterArray params;
//     KyResult r = params.Load(xmlText, &port);   // port: your IKyGenPort, kept alive by you
// Load parses and checks the whole XML first: malformed XML, unknown references, reference
// cycles and bad formulas give KY_GENICAM_XML_ERROR with a description, and the array stays
// empty. A null port gives an array whose register features answer KY_NOT_CONNECTED (host
// features such as <Integer> with <Value> still work). To read the XML a device serves, see
// KyGenXmlSource.h.
//
// Ownership: the array owns every feature, category and entry it hands out; pointers stay
// valid until the array is destroyed or loaded again. Thread safety: all calls lock the array;
// update callbacks (KyGenEventSink) run after the lock is released, on the calling thread.
//
// Result codes: KY_NOT_FOUND (no feature of that name), KY_INVALID_PARAMETER (wrong feature
// type, value out of range), KY_STATE_ERROR (not readable, writable or available now),
// KY_NOT_IMPLEMENTED, KY_GENICAM_XML_ERROR, and whatever the port returns.
#pragma once

#include "ky/genicam/KyGenICamExport.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ky/genicam/IKyGenPort.h"
#include "ky/base/KyEnums.h"
#include "ky/genicam/KyGenApiHandles.h"
#include "ky/genicam/KyGenBoolean.h"
#include "ky/genicam/KyGenCategory.h"
#include "ky/genicam/KyGenCommand.h"
#include "ky/genicam/KyGenEnum.h"
#include "ky/genicam/KyGenFloat.h"
#include "ky/genicam/KyGenInteger.h"
#include "ky/genicam/KyGenParameter.h"
#include "ky/genicam/KyGenRegister.h"
#include "ky/genicam/KyGenString.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class KY_GENICAM_API KyGenParameterArray
{
public:
    KyGenParameterArray();
    virtual ~KyGenParameterArray();
    KyGenParameterArray(const KyGenParameterArray &) = delete;
    KyGenParameterArray &operator=(const KyGenParameterArray &) = delete;

    // Replaces the content with the node map of the XML. The port is used by address.
    KyResult Load(const KyString &aXml, IKyGenPort *aPort);

    uint32_t GetCount() const;
    // The feature at the index (document order) or of the name; nullptr when there is none.
    KyGenParameter *Get(uint32_t aIndex);
    KyGenParameter *Get(const KyString &aName);
    KyGenParameter *operator[](uint32_t aIndex);
    KyGenParameter *operator[](const KyString &aName);
    uint32_t GetCategoryCount() const;
    KyGenCategory *GetCategory(uint32_t aIndex);
    KyGenCategory *GetCategory(const KyString &aName);
    // Drops every cached register value: the next reads go to the device.
    KyResult InvalidateCache();
    // Opaque handle of the node map; nullptr while the array is empty.
    KY_GENAPI_NS::INodeMap *GetNodeMap();

    // Typed lookups: nullptr when there is no such feature or it is of another type.
    KyGenInteger *GetInteger(const KyString &aName);
    KyGenFloat *GetFloat(const KyString &aName);
    KyGenEnum *GetEnum(const KyString &aName);
    KyGenBoolean *GetBoolean(const KyString &aName);
    KyGenCommand *GetCommand(const KyString &aName);
    KyGenString *GetString(const KyString &aName);
    KyGenRegister *GetRegister(const KyString &aName);

    // One-step access by name.
    KyResult GetIntegerValue(const KyString &aName, int64_t &aValue);
    KyResult SetIntegerValue(const KyString &aName, int64_t aValue);
    KyResult GetFloatValue(const KyString &aName, double &aValue);
    KyResult SetFloatValue(const KyString &aName, double aValue);
    KyResult SetEnumValue(const KyString &aName, const KyString &aValue);
    KyResult SetEnumValue(const KyString &aName, int64_t aValue);
    KyResult GetEnumValue(const KyString &aName, KyString &aValue);
    KyResult GetEnumValue(const KyString &aName, int64_t &aValue);
    KyResult GetBooleanValue(const KyString &aName, bool &aValue);
    KyResult SetBooleanValue(const KyString &aName, bool aValue);
    KyResult GetStringValue(const KyString &aName, KyString &aValue);
    KyResult SetStringValue(const KyString &aName, const KyString &aValue);
    KyResult ExecuteCommand(const KyString &aName);
    KyResult GetIntegerRange(const KyString &aName, int64_t &aMin, int64_t &aMax);
    KyResult GetFloatRange(const KyString &aName, double &aMin, double &aMax);

    // Chunk features read from a buffer's chunk payload (GigE Vision layout: each chunk's
    // data followed by its 32-bit big-endian id and length). The bytes are used by address
    // until DetachDataChunks: keep them alive and unchanged meanwhile. A payload whose chunk
    // list does not add up gives KY_INVALID_DATA_FORMAT and attaches nothing.
    KyResult AttachDataChunks(uint8_t *aBuffer, uint32_t aLength);
    // Attaches one chunk by its id (for callers that located the chunks themselves).
    KyResult AttachDataChunk(uint32_t aChunkId, const uint8_t *aData, uint32_t aLength);
    KyResult DetachDataChunks();

    // ReadWrite once loaded, NotAvailable while empty.
    KyGenAccessMode GetAccessMode() const;
    // Drops cached values of polled registers (PollingTime) that are due and tells the
    // sinks of the features that depend on them.
    KyResult Poll();

    // Register cache counters since loading.
    void GetCacheStatistics(uint64_t &aHits, uint64_t &aMisses) const;

private:
    std::unique_ptr<ky::gc::ArrayCore> mCore;
};
