// Deadlines of the tests' waits. A wait in a test only bounds a hang: it is never what the test
// asserts. Under ThreadSanitizer the kit runs several times slower, so that build defines
// KY_TEST_TIME_SCALE (see cmake/KyTesting.cmake) and every deadline made here grows by it.
#pragma once

#include <cstdint>

#ifndef KY_TEST_TIME_SCALE
#define KY_TEST_TIME_SCALE 1
#endif

// `ms` milliseconds, scaled for the build the test runs in.
constexpr uint32_t TestDeadlineMs(uint32_t ms) { return ms * KY_TEST_TIME_SCALE; }
