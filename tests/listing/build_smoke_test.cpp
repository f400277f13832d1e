#include <gtest/gtest.h>
#include "platform/FileSystem.h"
TEST(BuildSmoke, Runs) { EXPECT_EQ(1 + 1, 2); }
