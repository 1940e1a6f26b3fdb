#include "app/icon_position.h"

#include <gtest/gtest.h>

TEST(IconPositionTest, CentresRoundingTowardZero) {
    EXPECT_EQ(3, CenteredIconOrigin(37, 37, 32, 32).x);
    EXPECT_EQ(3, CenteredIconOrigin(37, 37, 32, 32).y);
    EXPECT_EQ(4, CenteredIconOrigin(40, 38, 32, 32).x);
    EXPECT_EQ(3, CenteredIconOrigin(40, 38, 32, 32).y);
    // A client area smaller than the icon: -19 / 2 is -9, not -10.
    EXPECT_EQ(-9, CenteredIconOrigin(12, 12, 32, 32).x);
}
