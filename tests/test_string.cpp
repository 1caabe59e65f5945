// String utilities.
#include <gtest/gtest.h>

#include "string.h"

TEST(StringTest, Placeholder) { EXPECT_EQ(stricmp("ABC", "abc"), 0); }
