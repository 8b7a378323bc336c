#include "registers/SoftRegisterStore.h"

#include "ky/virtualdevice/IKyRegister.h"

namespace ky::soft {

KyResult SoftRegisterStore::Persist(IKyRegister *aRegister, const KyString &aNameSuffix)
{
    if (aRegister == nullptr) {
        return KyResult(KY_INVALID_PARAMETER, "no register given");
    }
    const std::string key = aRegister->GetName().str() + aNameSuffix.str();
    const uint32_t length = static_cast<uint32_t>(aRegister->GetLength());
    if (mMode == Mode::Save) {
        std::vector<uint8_t> bytes(length);
        KyResult result = aRegister->ReadBytes(bytes.data(), length, 0);
        if (result.IsOK()) {
            mContents[key] = std::move(bytes);
        }
        return result;
    }
    auto found = mContents.find(key);
    if (found == mContents.end()) {
        return KyResult(KY_NOT_FOUND, KyString("nothing saved for ") + key);
    }
    if (found->second.size() != length) {
        return KyResult(KY_INVALID_DATA_FORMAT,
                        KyString("saved size of ") + key + " differs from the register");
    }
    return aRegister->Write(found->second.data(), length, 0);
}

}  // namespace ky::soft
