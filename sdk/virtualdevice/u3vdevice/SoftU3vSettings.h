// SoftU3vSettings: what a soft USB3 Vision device is made with (identity, image, speed).
#pragma once

#include <cstdint>
#include <string>

#include "ky/base/KyEnums.h"

namespace ky::soft {

struct SoftU3vSettings
{
    std::string guid;  // 12 hex digits
    std::string vendor = "Kitcam";
    std::string model = "SoftCam U3V";
    std::string version = "1.0";
    std::string serial = "SU0000001";
    std::string userName;
    uint32_t width = 640;
    uint32_t height = 480;
    KyPixelType pixelType = KyPixelMono8;
    double frameRate = 30.0;
    bool zipXml = false;
    int32_t speed = KyUSBSpeedSuper;
};

}  // namespace ky::soft
