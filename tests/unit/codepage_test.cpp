// The code-page module under Wine with the tests' ANSI code page, GBK.
#include "afx/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr unsigned kNoSuchCodePage = 12345;

TEST(CodePage, FailedConversionGivesFalseAndNoText) {
    std::wstring wide = L"left over";
    EXPECT_FALSE(afx::ToWide(kNoSuchCodePage, "abc", wide));
    EXPECT_TRUE(wide.empty());
    std::string bytes = "left over";
    EXPECT_FALSE(afx::FromWide(kNoSuchCodePage, L"abc", bytes));
    EXPECT_TRUE(bytes.empty());
    // Empty text converts in any code page: there is nothing to convert.
    EXPECT_TRUE(afx::ToWide(kNoSuchCodePage, "", wide));
}

TEST(CodePage, AnsiUtf8AndUtf16RoundTrip) {
    std::string utf8;
    ASSERT_TRUE(afx::AnsiToUtf8("a\xD6\xD0\xCE\xC4", utf8));  // "a中文" in GBK
    EXPECT_EQ("a\xE4\xB8\xAD\xE6\x96\x87", utf8);

    std::wstring wide;
    ASSERT_TRUE(afx::ToWide(afx::kUtf8CodePage, "\xF0\x9F\x98\x80", wide));  // U+1F600
    ASSERT_EQ(2u, wide.size());
    EXPECT_TRUE(afx::IsHighSurrogate(wide[0]));
    EXPECT_TRUE(afx::IsLowSurrogate(wide[1]));
    EXPECT_EQ(U'\U0001F600', afx::CombineSurrogates(wide[0], wide[1]));
    std::wstring built;
    afx::AppendUtf16(U'\U0001F600', built);
    afx::AppendUtf16(U'\x4E2D', built);
    EXPECT_EQ(wide + L"\x4E2D", built);

    std::string back;
    ASSERT_TRUE(afx::FromWide(afx::kUtf8CodePage, wide, back));
    EXPECT_EQ("\xF0\x9F\x98\x80", back);
}

TEST(CodePage, CharacterTheCodePageLacksIsReportedNotGuessed) {
    std::string bytes;
    bool lossy = true;
    ASSERT_TRUE(afx::FromWide(afx::kAnsiCodePage, L"a\x4E2D", bytes, &lossy));
    EXPECT_FALSE(lossy);
    EXPECT_EQ("a\xD6\xD0", bytes);
    ASSERT_TRUE(afx::FromWide(afx::kAnsiCodePage, L"a\xD83D\xDE00", bytes, &lossy));
    EXPECT_TRUE(lossy);

    std::string ansi;
    EXPECT_TRUE(afx::EncodeAnsiChar(0x4E2D, ansi));
    EXPECT_EQ("\xD6\xD0", ansi);
    EXPECT_FALSE(afx::EncodeAnsiChar(0x1F600, ansi));
}

}  // namespace
