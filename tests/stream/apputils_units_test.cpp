// KyFPSStabilizer, KyGetPixelBitCount and the refusals of KyAcquisitionStateManager.
#include <gtest/gtest.h>

#include "ky/apputils/KyAcquisitionStateManager.h"
#include "ky/apputils/KyFPSStabilizer.h"
#include "ky/apputils/KyPixelBitCount.h"

TEST(FPSStabilizer, TargetZeroShowsEverything)
{
    KyFPSStabilizer stabilizer;
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(stabilizer.IsTimeToDisplay(0));
    EXPECT_EQ(stabilizer.GetAverage(), 100u);
    stabilizer.Reset();
    EXPECT_EQ(stabilizer.GetAverage(), 0u);
}

TEST(FPSStabilizer, FramesCloserThanHalfAPeriodAreSkipped)
{
    // Back-to-back calls are microseconds apart; at 2 frames per second half a period is 250 ms.
    KyFPSStabilizer stabilizer;
    EXPECT_TRUE(stabilizer.IsTimeToDisplay(2));
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(stabilizer.IsTimeToDisplay(2));
    EXPECT_EQ(stabilizer.GetAverage(), 1u);
}

TEST(PixelBitCount, BitsOfThePixelType)
{
    const struct
    {
        int64_t type;
        uint32_t bits;
    } cases[] = {
        {KyPixelMono8, 8},     {KyPixelMono12, 16}, {KyPixelMono12Packed, 12},  {KyPixelMono16, 16}, {KyPixelBGR8, 24},
        {KyPixelBayerRG8, 8},  {0, 0},               {1, 0},              {static_cast<int32_t>(0x80200000), 32},
    };
    for (const auto &c : cases)
        EXPECT_EQ(KyGetPixelBitCount(static_cast<KyPixelType>(c.type)), c.bits) << std::hex << c.type;
}

TEST(AcquisitionStateManager, RefusesWithoutADevice)
{
    KyAcquisitionStateManager manager(nullptr, nullptr, 0);
    EXPECT_EQ(manager.GetState(), KyAcquisitionStateUnlocked);
    KyResult result = manager.Start();
    EXPECT_EQ(result.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_STREQ(result.GetDescription().GetAscii(), "the acquisition state manager has no device");
    EXPECT_EQ(manager.Stop().GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(manager.GetState(), KyAcquisitionStateUnlocked);
}
