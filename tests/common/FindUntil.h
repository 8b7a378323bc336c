// Discovery until what a test looks for has answered. One discovery round lasts the system's
// detection time-out; on a loaded machine a device's answer can miss a round, so a test asks again
// until its condition holds. The deadline only bounds a hang.
#pragma once

#include <chrono>

#include "TestDeadline.h"
#include "ky/system/KySystem.h"

// Runs `system.Find()` until `found()` is true after a round, or the deadline passes; answers
// whether it became true. The condition reads the system's records afresh each time: every round
// replaces them.
template <typename Condition>
bool FindUntil(KySystem &system, Condition found, uint32_t deadlineMs = TestDeadlineMs(20000))
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    do {
        if (system.Find().IsOK() && found())
            return true;
    } while (std::chrono::steady_clock::now() < end);
    return false;
}
