// Result codes, pixel types and the SDK's enumerations, declared from KyEnumTables.h.
#pragma once

#include <cstdint>

#include "ky/base/KyEnumTables.h"

// Result codes (KyResult::GetCode). Code 0 is success.
#define KY_DECLARE_RESULT_CODE(name, value) static constexpr uint32_t name = static_cast<uint32_t>(value);
KY_RESULT_CODE_TABLE(KY_DECLARE_RESULT_CODE)
#undef KY_DECLARE_RESULT_CODE

// Parts of a pixel-type value: colour class (bits 24-31), bits per pixel (16-23), format id (0-15).
#define KY_DECLARE_PIXEL_MASK(name, value) static constexpr int32_t name = static_cast<int32_t>(value);
KY_PIXEL_MASK_TABLE(KY_DECLARE_PIXEL_MASK)
#undef KY_DECLARE_PIXEL_MASK

#define KY_DECLARE_ENUM_MEMBER(name, value) name = value,
#define KY_DECLARE_ENUM(enumName)                                                                            \
    enum enumName : int32_t { KY_ENUM_TABLE_##enumName(KY_DECLARE_ENUM_MEMBER) };
KY_ENUMERATION_LIST(KY_DECLARE_ENUM)
#undef KY_DECLARE_ENUM
#undef KY_DECLARE_ENUM_MEMBER
