// KySessionInfo: name and connection data of a session advertised by SAP (KySystem::GetSessionInfo).
#pragma once

#include <cstdint>

#include "ky/base/KyString.h"

struct KySessionInfo
{
    KyString mName;          // session name
    KyString mAddress;       // connection address of the session
    uint16_t mPort = 0;      // connection port
    KyString mLocalAddress;  // local address to receive on
};
