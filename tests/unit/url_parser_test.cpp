// What the parser adds to the shared test data: the platform hooks, the request target, and
// the Chinese URLs.

#include "url/url_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(UrlParserTest, RequestTargetIsPathAndQueryWithUtf8Escapes) {
    url::Url u;
    // http://host/中文/页面.html?q=搜索#top, in UTF-8.
    ASSERT_TRUE(
        url::Parse("HTTP://Host:80/\xE4\xB8\xAD\xE6\x96\x87/\xE9\xA1\xB5\xE9\x9D\xA2.html"
                   "?q=\xE6\x90\x9C\xE7\xB4\xA2#top",
                   nullptr, u));
    EXPECT_EQ("/%E4%B8%AD%E6%96%87/%E9%A1%B5%E9%9D%A2.html?q=%E6%90%9C%E7%B4%A2",
              u.RequestTarget());
    EXPECT_EQ("host", u.host);
    EXPECT_EQ(-1, u.port);
    EXPECT_EQ(80, u.EffectivePort());
    EXPECT_EQ("http://host" + u.RequestTarget() + "#top", u.Href());

    // An escape is kept as written; a lone "%" and a space are not escapes.
    ASSERT_TRUE(url::Parse("https://h:8443/%E4%B8%AD/a b%zz?x=%41 y&z=\"'", nullptr, u));
    EXPECT_EQ("/%E4%B8%AD/a%20b%zz?x=%41%20y&z=%22%27", u.RequestTarget());
    EXPECT_EQ(8443, u.EffectivePort());
    ASSERT_TRUE(url::Parse("https://h:443", nullptr, u));
    EXPECT_EQ("/", u.RequestTarget());
    EXPECT_EQ(443, u.EffectivePort());
}

TEST(UrlParserTest, QueryHookSeesOnlyTheQuery) {
    std::vector<std::string> seen;
    url::Hooks hooks;
    hooks.encodeQuery = [&](const std::string& utf8) {
        seen.push_back(utf8);
        return std::string("\xCB\xD1\\\x5C");  // a GBK pair whose second byte is "\"
    };
    url::Url u;
    ASSERT_TRUE(url::Parse("http://h/\xC3\xA9?\xC3\xA9#\xC3\xA9", nullptr, u, hooks));
    EXPECT_EQ((std::vector<std::string>{"\xC3\xA9"}), seen);
    EXPECT_EQ("/%C3%A9?%CB%D1\\\\", u.RequestTarget());
    EXPECT_EQ("%C3%A9", u.fragment);
    // An ASCII query needs no charset: the hook is not asked.
    ASSERT_TRUE(url::Parse("http://h/?a=b", nullptr, u, hooks));
    EXPECT_EQ(1u, seen.size());
}

TEST(UrlParserTest, NonAsciiHostsGoThroughTheIdnaHook) {
    url::Url u;
    EXPECT_FALSE(url::Parse("http://\xE4\xB8\xAD\xE6\x96\x87.cn/", nullptr, u));
    std::string asked;
    url::Hooks hooks;
    hooks.toAscii = [&](const std::string& host, std::string& ascii) {
        asked = host;
        ascii = "XN--FIQ228C.cn";
        return true;
    };
    // Percent-encoded UTF-8 in a host is decoded before the conversion.
    ASSERT_TRUE(url::Parse("http://%E4%B8%AD\xE6\x96\x87.CN/", nullptr, u, hooks));
    EXPECT_EQ("\xE4\xB8\xAD\xE6\x96\x87.cn", asked);
    EXPECT_EQ("xn--fiq228c.cn", u.host);
    // What the hook gives is checked like any host.
    hooks.toAscii = [](const std::string&, std::string& ascii) {
        ascii = "a b";
        return true;
    };
    EXPECT_FALSE(url::Parse("http://\xC3\xA9/", nullptr, u, hooks));
    hooks.toAscii = [](const std::string&, std::string&) { return false; };
    EXPECT_FALSE(url::Parse("http://\xC3\xA9/", nullptr, u, hooks));
}

TEST(UrlParserTest, RefusesWhatBrowsersRefuseAndSchemesWeDoNotFetch) {
    url::Url base;
    ASSERT_TRUE(url::Parse("http://h/a/b", nullptr, base));
    url::Url u;
    for (const char* bad :
         {"ftp://h/", "mailto:a@b", "data:,x", "javascript:0", "http://", "http://a b/",
          "http://a\x7F/", "http://a^b/", "http://a:b:c/", "http://[1::2::3]/", "http://h:65536/",
          "http://user@/", "http://256.0.0.1/", "http://0x100000000/"}) {
        EXPECT_FALSE(url::Parse(bad, &base, u)) << bad;
    }
    EXPECT_FALSE(url::Parse("relative", nullptr, u));
    EXPECT_FALSE(url::Parse(std::string("http://a\0b/", 11), nullptr, u));
    ASSERT_TRUE(url::Parse("../%2e%2E/./c", &base, u));
    EXPECT_EQ("http://h/c", u.Href());
}

}  // namespace
