// SoftRegisterStore: register contents kept by name for user sets, saving or loading.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ky/virtualdevice/IKyRegisterStore.h"

namespace ky::soft {

class SoftRegisterStore : public IKyRegisterStore
{
public:
    enum class Mode { Save, Load };
    using Contents = std::map<std::string, std::vector<uint8_t>>;

    SoftRegisterStore(Contents &contents, Mode mode) : mContents(contents), mMode(mode) { }

    // Save: keeps the register's bytes under its name plus the suffix. Load: writes them back
    // (KY_NOT_FOUND when nothing was saved under that name). KY_INVALID_PARAMETER for a null register.
    KyResult Persist(IKyRegister *aRegister, const KyString &aNameSuffix) override;

private:
    Contents &mContents;
    Mode mMode;
};

}  // namespace ky::soft
