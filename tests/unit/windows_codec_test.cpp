// The archive's codec on the platform's code pages, and the plan reading a GBK page with it.

#include "cdo/windows_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "mht/archive_plan.h"

namespace {

TEST(WindowsCodecTest, ConvertsByCharsetLabel) {
    const cdo::CWindowsCodec codec;
    std::string out;
    ASSERT_TRUE(codec.Decode("gbk", "\xD6\xD0\xCE\xC4", out));
    EXPECT_EQ("\xE4\xB8\xAD\xE6\x96\x87", out);
    ASSERT_TRUE(codec.Decode("gb2312", "a\xD6\xD0", out));
    EXPECT_EQ("a\xE4\xB8\xAD", out);
    ASSERT_TRUE(codec.Encode("gbk", "\xE6\x90\x9C\xE7\xB4\xA2", out));
    EXPECT_EQ("\xCB\xD1\xCB\xF7", out);
    // Thai U+0E01 has no GBK form: sent as its character reference, as browsers do.
    ASSERT_TRUE(codec.Encode("gbk", "x\xE0\xB8\x81y", out));
    EXPECT_EQ("x%26%233585%3By", out);
    ASSERT_TRUE(codec.Encode("windows-1252", "\xC3\xA9", out));
    EXPECT_EQ("\xE9", out);
    EXPECT_FALSE(codec.Decode("x-no-such-charset", "abc", out));
    EXPECT_EQ(0u, cdo::CodePageOfCharset("GBK"));  // labels arrive lower-cased
}

TEST(WindowsCodecTest, HostsToIdnaAscii) {
    const cdo::CWindowsCodec codec;
    std::string ascii;
    ASSERT_TRUE(codec.HostToAscii("\xE4\xB8\xAD\xE6\x96\x87.cn", ascii));
    EXPECT_EQ("xn--fiq228c.cn", ascii);
}

TEST(WindowsCodecTest, PlanRequestsAGbkPagesImageAsABrowserDoes) {
    const cdo::CWindowsCodec codec;
    std::string pageUrl;
    // The table's text is in the ANSI code page (936 under the tests' locale).
    ASSERT_TRUE(cdo::AnsiToUtf8("http://127.0.0.1:8000/\xD6\xD0/p.html", pageUrl));
    mht::ArchivePlan plan(pageUrl, mht::PlanLimits(), &codec);
    mht::FetchRequest r;
    ASSERT_TRUE(plan.NextFetch(r));
    EXPECT_EQ("http://127.0.0.1:8000/%E4%B8%AD/p.html", r.url);
    plan.OnFetched(r.id, "", "text/html; charset=gbk",
                   "<img src=\"\xCE\xC4.png?q=\xCB\xD1\xCB\xF7\">");
    ASSERT_TRUE(plan.NextFetch(r));
    EXPECT_EQ("http://127.0.0.1:8000/%E4%B8%AD/%E6%96%87.png?q=%CB%D1%CB%F7", r.url);
}

}  // namespace
