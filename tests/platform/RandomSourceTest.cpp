// SPDX-License-Identifier: MIT
#include "platform/RandomSource.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace hanashi;

TEST(RandomSource, BitsMapIntoTheHalfOpenUnitInterval) {
    EXPECT_EQ(unitFromBits(0), 0.0f);
    // The largest draw stays below 1, so floor(2 * r) is at most 1 and
    // floor(n * r) a valid index for every count a float holds exactly.
    const float top = unitFromBits(0xFFFFFFFFu);
    EXPECT_LT(top, 1.0f);
    EXPECT_EQ(top, 1.0f - 0x1p-24f);
    EXPECT_EQ(static_cast<int>(2 * top), 1);
    EXPECT_EQ(static_cast<int>(std::floor(10.0f * top)), 9);
    EXPECT_EQ(static_cast<int>(std::floor(top * 256.0f)), 255);
    EXPECT_EQ(unitFromBits(0x80000000u), 0.5f);
}

TEST(RandomSource, SeededGeneratorRepeatsAndStaysInRange) {
    ClockSeededRandom a(42), b(42);
    int halves[2] = {0, 0};
    for (int i = 0; i < 10000; ++i) {
        const float r = a.draw();
        ASSERT_EQ(r, b.draw());
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        ++halves[static_cast<int>(2 * r)];
    }
    // Both answer slots come up, about equally often.
    EXPECT_GT(halves[0], 4500);
    EXPECT_GT(halves[1], 4500);
}
