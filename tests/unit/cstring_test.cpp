#include "afx/cstring.h"

#include <gtest/gtest.h>

#include <cstring>

// "中" in GBK is D6 D0; "螟" is 0xCE 0x5C: its trail byte looks like a backslash.
static const char kGbkBackslashTrail[] = "\xCE\x5C";

TEST(CStringTest, ConstructsComparesAndConcatenates) {
    CString a("abc"), b;
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(3, a.GetLength());
    EXPECT_TRUE(a == "abc");
    EXPECT_TRUE(a != CString("abd"));
    EXPECT_STREQ("abcdef", a + "def");
    EXPECT_STREQ("xabc", "x" + a);
    CString nullText(static_cast<const char*>(nullptr));
    EXPECT_TRUE(nullText.IsEmpty());
}

TEST(CStringTest, FormatsLikePrintf) {
    CString s;
    s.Format("进度 %d/%d， 当前 %d 个线程", 3, 10, 2);
    EXPECT_STREQ("进度 3/10， 当前 2 个线程", s);
    s.Format("%s", std::string(5000, 'x').c_str());
    EXPECT_EQ(5000, s.GetLength());
}

TEST(CStringTest, ReplaceIsLeftToRightAndNonOverlapping) {
    CString s("aaa(at)b(at)(at)");
    EXPECT_EQ(3, s.Replace("(at)", "@"));
    EXPECT_STREQ("aaa@b@@", s);
    CString t("aaaa");
    EXPECT_EQ(2, t.Replace("aa", "b"));
    EXPECT_STREQ("bb", t);
    CString u("x");
    EXPECT_EQ(0, u.Replace("", "y"));
    EXPECT_EQ(1, u.Replace("x", ""));
    EXPECT_TRUE(u.IsEmpty());
}

TEST(CStringTest, ReplaceNeverMatchesATrailByte) {
    CString s(std::string("a") + kGbkBackslashTrail + "\\b");
    EXPECT_EQ(1, s.Replace("\\", "_"));
    EXPECT_EQ(std::string("a") + kGbkBackslashTrail + "_b", s.str());
    // "丨" is A8 7C in GBK... use a lead byte followed by '|' (0x7C).
    CString bar("\x81\x7C|");
    EXPECT_EQ(1, bar.Replace("|", "_"));
    EXPECT_EQ(std::string("\x81\x7C_"), bar.str());
}

TEST(CStringTest, MakeLowerLeavesDoubleByteCharactersAlone) {
    // 0x81 0x41: a GBK character whose trail byte is 'A'.
    CString s("HTTP://Example.COM/\x81\x41Z");
    s.MakeLower();
    EXPECT_EQ(std::string("http://example.com/\x81\x41z"), s.str());
}

TEST(CStringTest, TrimRightRemovesTrailingWhiteSpaceOnly) {
    CString s("  x \t\r\n");
    EXPECT_STREQ("  x", s.TrimRight());
    CString blank("   ");
    EXPECT_TRUE(blank.TrimRight().IsEmpty());
    CString gbk("中文 ");
    EXPECT_STREQ("中文", gbk.TrimRight());
}

TEST(CStringTest, FindRespectsCharacterBoundaries) {
    CString s(std::string(kGbkBackslashTrail) + "\\");
    EXPECT_EQ(2, s.Find("\\"));
    EXPECT_EQ(-1, CString("abc").Find("d"));
    EXPECT_EQ(2, CString("abcabc").Find("c"));
    EXPECT_EQ(5, CString("abcabc").Find("c", 3));
}

TEST(CStringTest, BufferAccessTrimsAtFirstNul) {
    CString s;
    char* p = s.GetBuffer(10);
    std::strcpy(p, "hi");
    s.ReleaseBuffer();
    EXPECT_STREQ("hi", s);
    EXPECT_EQ(2, s.GetLength());
}
