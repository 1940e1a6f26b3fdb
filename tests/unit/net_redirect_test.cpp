// Where a redirect leads: the Location as servers send it, resolved as a browser would.
#include <gtest/gtest.h>

#include "net/redirect.h"

namespace {

TEST(Redirect, OnlyTheRepeatableRedirectsAreFollowed) {
    for (unsigned status : {301u, 302u, 303u, 307u, 308u})
        EXPECT_TRUE(net::IsRedirectStatus(status));
    for (unsigned status : {200u, 204u, 300u, 304u, 305u, 306u, 309u, 404u})
        EXPECT_FALSE(net::IsRedirectStatus(status)) << status;
}

TEST(Redirect, LocationIsResolvedAgainstTheCurrentUrl) {
    const std::string current = "http://a.example:8080/dir/page.html?q=1";
    EXPECT_EQ("http://b.example/x", net::RedirectTarget(current, "http://B.example:80/x"));
    EXPECT_EQ("http://a.example:8080/dir/next", net::RedirectTarget(current, "next"));
    EXPECT_EQ("http://a.example:8080/top", net::RedirectTarget(current, " /top "));
    EXPECT_EQ("https://a.example/", net::RedirectTarget(current, "https://a.example"));
    EXPECT_EQ("http://c.example/p", net::RedirectTarget(current, "//c.example/p"));
    // The fragment never goes to a server.
    EXPECT_EQ("http://a.example:8080/dir/f", net::RedirectTarget(current, "f#part"));
}

TEST(Redirect, NothingToFetchElsewhere) {
    const std::string current = "http://a.example/";
    EXPECT_EQ("", net::RedirectTarget(current, "ftp://a.example/file"));
    EXPECT_EQ("", net::RedirectTarget(current, "javascript:alert(1)"));
    EXPECT_EQ("", net::RedirectTarget(current, "   "));
}

}  // namespace
