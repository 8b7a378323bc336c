// FeatureSet: a host-side GenICam feature set. Each feature is one entry of a table (its
// description and the functions that give and take its value); the set makes from it both the
// XML that a parameter array loads and the register port behind it, so a feature is declared
// once. The SDK's link and stream parameters are such sets.
//
// Each Integer, Boolean or Command feature reads one register of the set's integer width, each
// Float one 8-byte register, big-endian, one after the other from the base address. Access
// follows the functions given: get and set, RW; get only, RO; set only (and every Command), WO.
//
// Threading: Add and Load are the owner's, before the array is used; the port is called from
// whichever thread uses the array, and the functions guard what they reach themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "features/FeatureDocument.h"
#include "features/FeatureTable.h"
#include "ky/base/KyResult.h"
#include "ky/genicam/IKyGenPort.h"
#include "ky/genicam/KyGenParameterArray.h"

namespace ky::gc {

struct HostFeature
{
    // Name, kind (Integer, Boolean, Command or Float), category, tool tip, range and unit; the set
    // fills in the register (address, length, sign, access mode and port).
    FeatureSpec spec;
    std::function<KyResult(int64_t &)> get;      // Integer, Boolean
    std::function<KyResult(double &)> getFloat;  // Float
    // Integer, Boolean: takes a new value; Command: what executing it does. Null: read-only.
    std::function<KyResult(int64_t)> set;

    // A feature of the given kind in `category` ("Root" for the root itself), NameSpace Custom.
    static HostFeature Make(FeatureKind kind, std::string name, std::string category, std::string toolTip);
};

class FeatureSet : public IKyGenPort
{
public:
    struct Registers
    {
        uint64_t base = 0;
        uint32_t integerLength = 4;  // bytes of an Integer, Boolean or Command register (1 to 8)
        bool signedIntegers = false;
    };

    FeatureSet(FeatureDocument document, Registers registers);

    void Add(HostFeature feature);
    // The XML of the features added so far.
    KyResult Xml(std::string &xml) const;
    // Loads `array` with the features added so far over this port; again after adding more. The
    // array must not outlive this set.
    KyResult Load(KyGenParameterArray &array);

    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override;
    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override;

private:
    const HostFeature *Find(uint64_t address, uint32_t length) const;

    FeatureDocument mDocument;
    Registers mRegisters;
    uint64_t mNextAddress;
    std::vector<HostFeature> mFeatures;
    FeatureTable mTable;
};

}  // namespace ky::gc
