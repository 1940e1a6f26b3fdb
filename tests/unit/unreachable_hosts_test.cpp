// The memory of servers that could not be reached: what a server is, how long it is remembered,
// and that an answer ends it.
#include <gtest/gtest.h>

#include "net/unreachable_hosts.h"

namespace {

using net::UnreachableHosts;
using std::chrono::seconds;

TEST(UnreachableHosts, RememberedForAWhileByHostAndPort) {
    UnreachableHosts hosts;
    const UnreachableHosts::Clock::time_point t0;
    const std::string fonts = net::ServerKey("Fonts.Example.COM", 443);
    EXPECT_EQ("fonts.example.com:443", fonts);
    EXPECT_FALSE(hosts.IsUnreachable(fonts, t0));
    hosts.Remember(fonts, t0);
    EXPECT_TRUE(hosts.IsUnreachable(fonts, t0));
    EXPECT_TRUE(hosts.IsUnreachable(fonts, t0 + net::kUnreachableMemory - seconds(1)));
    EXPECT_FALSE(hosts.IsUnreachable(fonts, t0 + net::kUnreachableMemory));
    // Another port of the same host is another server.
    EXPECT_FALSE(hosts.IsUnreachable(net::ServerKey("fonts.example.com", 80), t0));
    // Found unreachable again later: remembered from then on, until it answers.
    hosts.Remember(fonts, t0 + seconds(100));
    EXPECT_TRUE(hosts.IsUnreachable(fonts, t0 + seconds(200)));
    hosts.Forget(fonts);
    EXPECT_FALSE(hosts.IsUnreachable(fonts, t0 + seconds(200)));
}

}  // namespace
