// Run flags and plot components.
#include <gtest/gtest.h>

#include "flag.h"

TEST(Flag, ZeroBeforeStartUpThenNotSet) {
    EXPECT_EQ(FLAG_batch(), 0);
    EXPECT_EQ(FLAG_get(FLAG_BATCH), 0);
    FLAG_reset(-9999);
    EXPECT_EQ(FLAG_batch(), 0);
    EXPECT_EQ(FLAG_help(), 0);
    EXPECT_EQ(FLAG_get(29), -9999);
}

TEST(Flag, SetRespectsTheRange) {
    FLAG_reset(0);
    EXPECT_EQ(FLAG_set(FLAG_BATCH, 1), 0);
    EXPECT_EQ(FLAG_batch(), 1);
    EXPECT_EQ(FLAG_set(FLAG_HELP, 2), 0);
    EXPECT_EQ(FLAG_help(), 1);
    EXPECT_EQ(FLAG_set(30, 5), -1);
    EXPECT_EQ(FLAG_set(-1, 5), -1);
    EXPECT_EQ(FLAG_get(30), -9999);
    EXPECT_EQ(FLAG_set(0, int64_t{1} << 40), 0);  // flags are 64-bit
    EXPECT_EQ(FLAG_get(0), int64_t{1} << 40);
}

TEST(FlagPlot, ComponentsAndTheirCounts) {
    FLAG_resetplot(1);
    FLAG_setplot(3, 0);
    EXPECT_EQ(FLAG_getplot(0), 5);
    EXPECT_EQ(FLAG_getplot(12), 15);
    FLAG_setplot(12, 0);
    for (int i = 0; i <= 12; ++i) EXPECT_EQ(FLAG_getplot(i), 0) << i;
    FLAG_setplot(0, 1);
    EXPECT_EQ(FLAG_getplot(0), 6);
    EXPECT_EQ(FLAG_getplot(12), 12);
    FLAG_setplot(8, 1);
    EXPECT_EQ(FLAG_getplot(12), 13);
    FLAG_setplot(13, 1);  // outside the table: nothing
    EXPECT_EQ(FLAG_getplot(12), 13);
}
