// The request a URL of the table becomes: what the server is sent, as a browser sends it.
#include <gtest/gtest.h>

#include <string>

#include "afx/inet.h"

namespace {

struct Request {
    bool ok = false;
    DWORD service = 0;
    std::string server, object;
    INTERNET_PORT port = 0;
};

Request Parse(const std::string& url) {
    Request r;
    CString server, object;
    r.ok = AfxParseURL(url.c_str(), r.service, server, object, r.port) != FALSE;
    r.server = server.str();
    r.object = object.str();
    return r;
}

void ExpectRequest(const std::string& url, DWORD service, const std::string& server,
                   INTERNET_PORT port, const std::string& object) {
    Request r = Parse(url);
    ASSERT_TRUE(r.ok) << url;
    EXPECT_EQ(service, r.service) << url;
    EXPECT_EQ(server, r.server) << url;
    EXPECT_EQ(port, r.port) << url;
    EXPECT_EQ(object, r.object) << url;
}

}  // namespace

TEST(RequestTargetTest, PathAndQueryGoOutInUtf8) {
    // The table holds GBK (string literals are compiled to GBK).
    ExpectRequest("http://127.0.0.1:8080/中文/页面.html?q=搜索#frag", AFX_INET_SERVICE_HTTP,
                  "127.0.0.1", 8080,
                  "/%E4%B8%AD%E6%96%87/%E9%A1%B5%E9%9D%A2.html?q=%E6%90%9C%E7%B4%A2");
    // Escapes already there are kept; a "%" that starts none is left alone too, as browsers do.
    EXPECT_EQ("/%E4%B8%AD/a%20b/%zz?x=%41%20y", Parse("http://h/%E4%B8%AD/a b/%zz?x=%41 y").object);
    EXPECT_EQ("/%22%3C%3E%60?%27%22%3C%3E", Parse("http://h/\"<>`?'\"<>").object);
    EXPECT_EQ("/", Parse("HTTP://H").object);
    EXPECT_EQ("/b/d?", Parse("http://h/a/../b/./c/../d?").object);
}

TEST(RequestTargetTest, SchemesAndPorts) {
    ExpectRequest("https://Example.COM/x", AFX_INET_SERVICE_HTTPS, "example.com", 443, "/x");
    EXPECT_EQ(80, Parse("http://h:080/").port);
    EXPECT_EQ("::1", Parse("http://[::1]:81/").server);
    EXPECT_FALSE(Parse("ftp://h/x").ok);
    EXPECT_FALSE(Parse("h/x").ok);
    EXPECT_FALSE(Parse("http://h:65536/").ok);
    EXPECT_FALSE(Parse("").ok);
}

TEST(RequestTargetTest, HostsNoBrowserAcceptsAreRefused) {
    for (const char* url :
         {"http://a b/", "http://a%20b/", "http://a%00b/",
          "http://a\x01"
          "b/",
          "http://a<b/", "http://a^b/", "http://a|b/", "http://", "http://a%zzb/"}) {
        Request r = Parse(url);
        EXPECT_FALSE(r.ok) << url;
        EXPECT_EQ("", r.server) << url;
    }
}

TEST(RequestTargetTest, NonAsciiHostsGoOutInTheirIdnaForm) {
    Request r = Parse("http://例子.中国/页");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ("xn--fsqu00a.xn--fiqs8s", r.server);
    EXPECT_EQ("/%E9%A1%B5", r.object);
    EXPECT_EQ("xn--fsqu00a.xn--fiqs8s", Parse("http://XN--FSQU00A.xn--fiqs8s/").server);
}
