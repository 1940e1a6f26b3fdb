#include "fetch/line_ends.h"

#include <gtest/gtest.h>

TEST(LineEndsTest, EveryLineFeedBecomesCrLf) {
    EXPECT_EQ("a\r\nb\r\n", ToCrLf("a\nb\n"));
    EXPECT_EQ("a\r\nb\r\n", ToCrLf("a\r\nb\r\n"));
    EXPECT_EQ("a\r\nb", ToCrLf("a\nb"));
    EXPECT_EQ("\r\n\r\n", ToCrLf("\n\n"));
    EXPECT_EQ("", ToCrLf(""));
}

TEST(LineEndsTest, OtherBytesAreKept) {
    std::string withNul("a\0b\nc", 5);
    EXPECT_EQ(std::string("a\0b\r\nc", 6), ToCrLf(withNul));
    EXPECT_EQ("a\rb", ToCrLf("a\rb"));
    std::string longLine(10000, 'x');
    EXPECT_EQ(longLine, ToCrLf(longLine));
}
