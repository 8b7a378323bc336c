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
    /// An empty array.
    KyGenParameterArray();
    /// Destructor.
    virtual ~KyGenParameterArray();
    KyGenParameterArray(const KyGenParameterArray &) = delete;
    KyGenParameterArray &operator=(const KyGenParameterArray &) = delete;

    // Replaces the content with the node map of the XML. The port is used by address.
    KyResult Load(const KyString &aXml, IKyGenPort *aPort);

    /// The number of features.
    ///
    /// @return the count
    uint32_t GetCount() const;
    /// The feature at a position (document order).
    ///
    /// @param[in] aIndex the position
    ///
    /// @return the feature, as its typed class, or nullptr (None) when there is none
    KyGenParameter *Get(uint32_t aIndex);
    /// The feature of a name.
    ///
    /// @param[in] aName the feature's name
    ///
    /// @return the feature, as its typed class, or nullptr (None) when there is none
    KyGenParameter *Get(const KyString &aName);
    /// The feature at a position (document order).
    ///
    /// @param[in] aIndex the position
    ///
    /// @return the feature, as its typed class, or nullptr (None) when there is none
    KyGenParameter *operator[](uint32_t aIndex);
    /// The feature of a name.
    ///
    /// @param[in] aName the feature's name
    ///
    /// @return the feature, as its typed class, or nullptr (None) when there is none
    KyGenParameter *operator[](const KyString &aName);
    /// The number of categories.
    ///
    /// @return the count
    uint32_t GetCategoryCount() const;
    /// The category at a position.
    ///
    /// @param[in] aIndex the position
    ///
    /// @return the category, or nullptr (None) when there is none
    KyGenCategory *GetCategory(uint32_t aIndex);
    /// The category of a name.
    ///
    /// @param[in] aName the category's name
    ///
    /// @return the category, or nullptr (None) when there is none
    KyGenCategory *GetCategory(const KyString &aName);
    /// Drops every cached value: the next reads go to the device.
    ///
    /// @return the result
    KyResult InvalidateCache();
    /// The node map handle, for code that works with the node map directly.
    ///
    /// @return the handle; nullptr (None) while the array is empty
    KY_GENAPI_NS::INodeMap *GetNodeMap();

    /// The integer feature of a name.
    ///
    /// @param[in] aName the feature's name
    ///
    /// @return the feature, or nullptr (None) when there is none or it is of another type
    KyGenInteger *GetInteger(const KyString &aName);
    /// The float feature of a name.
    ///
    /// @param[in] aName the feature's name
    ///
    /// @return the feature, or nullptr (None) when there is none or it is of another type
    KyGenFloat *GetFloat(const KyString &aName);
    /// The enumeration feature of a name.
    ///
    /// @param[in] aName the feature's name
    ///
    /// @return the feature, or nullptr (None) when there is none or it is of another type
    KyGenEnum *GetEnum(const KyString &aName);
    /// The boolean feature of a name.
    ///
    /// @param[in] aName the feature's name
    ///
    /// @return the feature, or nullptr (None) when there is none or it is of another type
    KyGenBoolean *GetBoolean(const KyString &aName);
    /// The command feature of a name.
    ///
    /// @param[in] aName the feature's name
    ///
    /// @return the feature, or nullptr (None) when there is none or it is of another type
    KyGenCommand *GetCommand(const KyString &aName);
    /// The string feature of a name.
    ///
    /// @param[in] aName the feature's name
    ///
    /// @return the feature, or nullptr (None) when there is none or it is of another type
    KyGenString *GetString(const KyString &aName);
    /// The register feature of a name.
    ///
    /// @param[in] aName the feature's name
    ///
    /// @return the feature, or nullptr (None) when there is none or it is of another type
    KyGenRegister *GetRegister(const KyString &aName);

    /// Reads an integer feature's value by name.
    ///
    /// @param[in] aName the feature's name
    /// @param[out] aValue receives the value
    ///
    /// @return the result and the value (None when the result is not OK)
    KyResult GetIntegerValue(const KyString &aName, int64_t &aValue);
    /// Writes an integer feature's value by name.
    ///
    /// @param[in] aName the feature's name
    /// @param[in] aValue the value
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND, KY_INVALID_PARAMETER (out of range), KY_STATE_ERROR
    KyResult SetIntegerValue(const KyString &aName, int64_t aValue);
    /// Reads a float feature's value by name.
    ///
    /// @param[in] aName the feature's name
    /// @param[out] aValue receives the value
    ///
    /// @return the result and the value (None when the result is not OK)
    KyResult GetFloatValue(const KyString &aName, double &aValue);
    /// Writes a float feature's value by name.
    ///
    /// @param[in] aName the feature's name
    /// @param[in] aValue the value
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND, KY_INVALID_PARAMETER (out of range), KY_STATE_ERROR
    KyResult SetFloatValue(const KyString &aName, double aValue);
    /// Sets an enumeration feature by the name of an entry.
    ///
    /// @param[in] aName the feature's name
    /// @param[in] aValue the entry's name
    ///
    /// @return the result and the entry's name given (None when the result is not OK)
    KyResult SetEnumValue(const KyString &aName, const KyString &aValue);
    /// Sets an enumeration feature by the value of an entry.
    ///
    /// @param[in] aName the feature's name
    /// @param[in] aValue the entry's value
    ///
    /// @return the result
    KyResult SetEnumValue(const KyString &aName, int64_t aValue);
    /// Reads a boolean feature's value by name.
    ///
    /// @param[in] aName the feature's name
    /// @param[out] aValue receives the value
    ///
    /// @return the result and the value (False when the SDK set none)
    KyResult GetBooleanValue(const KyString &aName, bool &aValue);
    /// Writes a boolean feature's value by name.
    ///
    /// @param[in] aName the feature's name
    /// @param[in] aValue the value
    ///
    /// @return the result
    KyResult SetBooleanValue(const KyString &aName, bool aValue);
    /// Reads a string feature's value by name.
    ///
    /// @param[in] aName the feature's name
    /// @param[out] aValue receives the value
    ///
    /// @return the result and the value (None when the result is not OK)
    KyResult GetStringValue(const KyString &aName, KyString &aValue);
    /// Writes a string feature's value by name.
    ///
    /// @param[in] aName the feature's name
    /// @param[in] aValue the value
    ///
    /// @return the result and the value given (None when the result is not OK)
    KyResult SetStringValue(const KyString &aName, const KyString &aValue);
    /// Executes a command feature by name.
    ///
    /// @param[in] aName the feature's name
    ///
    /// @return the result
    KyResult ExecuteCommand(const KyString &aName);
    /// The range of an integer feature.
    ///
    /// @param[in] aName the feature's name
    /// @param[out] aMin receives the minimum
    /// @param[out] aMax receives the maximum
    ///
    /// @return the tuple of the result, the minimum and the maximum (None for both when the result is not OK)
    KyResult GetIntegerRange(const KyString &aName, int64_t &aMin, int64_t &aMax);
    /// The range of a float feature.
    ///
    /// @param[in] aName the feature's name
    /// @param[out] aMin receives the minimum
    /// @param[out] aMax receives the maximum
    ///
    /// @return the tuple of the result, the minimum and the maximum (None for both when the result is not OK)
    KyResult GetFloatRange(const KyString &aName, double &aMin, double &aMax);

    /// Attaches a chunk payload that the chunk features read from.
    ///
    /// GigE Vision layout: each chunk's data followed by its 32-bit big-endian id and length.
    /// The chunks are read until DetachDataChunks or the next attach. The array copies the
    /// bytes: the caller's memory may change or go once the call returns. A payload whose chunk
    /// list does not add up gives KY_INVALID_DATA_FORMAT and attaches nothing; a null buffer
    /// with a non-zero length gives KY_INVALID_PARAMETER.
    ///
    /// @param[in] aBuffer the payload (a one-dimensional uint8 array)
    /// @param[in] aLength its length in bytes
    ///
    /// @return Includes: KY_OK, KY_INVALID_DATA_FORMAT, KY_INVALID_PARAMETER
    KyResult AttachDataChunks(uint8_t *aBuffer, uint32_t aLength);
    // Attaches (a copy of) one chunk by its id, replacing an earlier chunk of that id (for
    // callers that located the chunks themselves).
    KyResult AttachDataChunk(uint32_t aChunkId, const uint8_t *aData, uint32_t aLength);
    /// Detaches the chunk payload: chunk features have nothing to read until the next attach.
    ///
    /// @return the result
    KyResult DetachDataChunks();

    /// The access mode of the array.
    ///
    /// @return a KyGenAccessMode value: ReadWrite once loaded, NotAvailable while empty
    KyGenAccessMode GetAccessMode() const;
    /// Drops the cached values of polled features that are due and tells the sinks of the features that depend on them.
    ///
    /// @return the result
    KyResult Poll();

    /// Reads an enumeration feature's value as the name of its entry.
    ///
    /// @param[in] aName the feature's name
    /// @param[out] aValue receives the entry's name
    ///
    /// @return the result and the entry's name (None when the result is not OK)
    KyResult GetEnumValue(const KyString &aName, KyString &aValue);
    /// Reads an enumeration feature's value as the value of its entry.
    ///
    /// @param[in] aName the feature's name
    /// @param[out] aValue receives the entry's value
    ///
    /// @return the result and the entry's value (None when the result is not OK)
    KyResult GetEnumValue(const KyString &aName, int64_t &aValue);

    // Register cache counters since loading.
    void GetCacheStatistics(uint64_t &aHits, uint64_t &aMisses) const;

private:
    std::unique_ptr<ky::gc::ArrayCore> mCore;
};
