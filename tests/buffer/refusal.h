// A table of calls that must fail, each with the code and the description it must give.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "ky/base/KyResult.h"

struct Refusal
{
    const char *name;
    KyResult result;
    const char *why;
};

inline void ExpectRefusals(uint32_t aCode, std::initializer_list<Refusal> aCases)
{
    for (const Refusal &c : aCases) {
        EXPECT_EQ(c.result.GetCode(), aCode) << c.name;
        EXPECT_EQ(c.result.GetDescription().str(), c.why) << c.name;
    }
}
