// The archive's codec on the platform's code pages, and the plan reading a GBK page with it.

#include "cdo/windows_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "afx/codepage.h"
#include "mht/archive_plan.h"
#include "url/url_parser.h"

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
    // Hosts already in their ASCII form are asked about too (for their "xn--" labels).
    ASSERT_TRUE(codec.HostToAscii("xn--fiq228c.cn", ascii));
    EXPECT_EQ("xn--fiq228c.cn", ascii);
    url::Url u;
    url::Hooks hooks;
    hooks.toAscii = [&](const std::string& host, std::string& out) {
        return codec.HostToAscii(host, out);
    };
    ASSERT_TRUE(url::Parse("http://XN--FIQ228C.\xE4\xB8\xAD\xE5\x9B\xBD/", nullptr, u, hooks));
    EXPECT_EQ("xn--fiq228c.xn--fiqs8s", u.host);
}

TEST(WindowsCodecTest, PlanRequestsAGbkPagesImageAsABrowserDoes) {
    const cdo::CWindowsCodec codec;
    std::string pageUrl;
    // The table's text is in the ANSI code page (936 under the tests' locale).
    ASSERT_TRUE(afx::AnsiToUtf8("http://127.0.0.1:8000/\xD6\xD0/p.html", pageUrl));
    mht::ArchivePlan plan(pageUrl, mht::PlanLimits(), &codec);
    mht::FetchRequest r;
    ASSERT_TRUE(plan.NextFetch(r));
    EXPECT_EQ("http://127.0.0.1:8000/%E4%B8%AD/p.html", r.url);
    plan.OnFetched(r.id, "", "text/html; charset=gbk",
                   "<img src=\"\xCE\xC4.png?q=\xCB\xD1\xCB\xF7\">");
    ASSERT_TRUE(plan.NextFetch(r));
    EXPECT_EQ("http://127.0.0.1:8000/%E4%B8%AD/%E6%96%87.png?q=%CB%D1%CB%F7", r.url);
}

// The web-platform-tests percent-encoding data: a query in each charset, as browsers send it.
TEST(WindowsCodecTest, QueriesInThePagesCharsetAsTheSharedDataGivesThem) {
    struct Entry {
        const char* input;  // UTF-8
        const char* charset;
        const char* query;
    };
    const Entry entries[] = {
        {"\xE2\x80\xA0", "big5", "%26%238224%3B"},
        {"\xE2\x80\xA0", "euc-kr", "%A2%D3"},
        {"\xE2\x80\xA0", "utf-8", "%E2%80%A0"},
        {"\xE2\x80\xA0", "windows-1252", "%86"},
        {"\x0E"
         "A",
         "big5", "%0EA"},
        {"\x0E"
         "A",
         "utf-8", "%0EA"},
        {"\xE2\x80\xBE\\", "utf-8", "%E2%80%BE\\"},
        {"\xEE\x97\xA5", "gb18030", "%26%2358853%3B"},
        {"\xEE\x97\xA5", "utf-8", "%EE%97%A5"},
        {"\xE2\x88\x92", "shift_jis", "%81|"},
        {"\xE2\x88\x92", "utf-8", "%E2%88%92"},
        {"\xC2\xA2", "iso-8859-2", "%26%23162%3B"},
        {"\xC2\xA2", "utf-8", "%C2%A2"},
        {"\xC3\xA1|", "utf-8", "%C3%A1|"},
    };
    const cdo::CWindowsCodec codec;
    for (const Entry& e : entries) {
        url::Hooks hooks;
        hooks.encodeQuery = [&](const std::string& utf8) {
            std::string bytes;
            EXPECT_TRUE(codec.Encode(e.charset, utf8, bytes)) << e.charset;
            return bytes;
        };
        url::Url u;
        ASSERT_TRUE(url::Parse(std::string("http://h/?") + e.input, nullptr, u, hooks));
        EXPECT_EQ(e.query, u.query) << e.charset;
    }
}

}  // namespace
