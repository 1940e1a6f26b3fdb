// The session's waits as the one GET enforces them whatever WinInet does, the memory of servers
// that could not be reached, and compressed answers: against the loopback server's stand-ins (a
// port whose connections never complete, a port that accepts and never sends).
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/fetch_limits.h"
#include "net/http_get.h"
#include "net/session.h"
#include "net/unreachable_hosts.h"
#include "tests/gui/batch/loopback_server.h"

namespace {

using net::Clock;
using net::UnreachableServers;
using std::chrono::milliseconds;

// A connection never established: 5 s, the 1 s back-off, 5 s again.
constexpr long long kConnectGivenUpMs = 2 * kTimeoutMs + kConnectBackoffMs;
// Well under the page's bound of 55 s, with room for a loaded machine.
constexpr long long kWithinMs = 20000;

struct Outcome {
    bool ok = false;
    long long ms = 0;
    net::GetResult page;
};

class NetWaitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<batch::LoopbackServer>();
        session_ = net::OpenSession();
        ForgetClogged();
    }
    // The process remembers the clogged port for two minutes: each test starts without it, and
    // leaves none of it to the next test of the same process.
    void TearDown() override { ForgetClogged(); }
    void ForgetClogged() const {
        net::TheUnreachableHosts().Forget(net::ServerKey("127.0.0.1", server_->CloggedPort()));
    }

    Outcome Get(const std::string& url, UnreachableServers servers = UnreachableServers::kTry,
                size_t maxBytes = kMaxBodyBytes) const {
        Outcome outcome;
        const auto started = Clock::now();
        outcome.ok = net::HttpGet(session_, url, maxBytes, started + milliseconds(kFetchDeadlineMs),
                                  outcome.page, std::make_shared<net::BodyLease>(), servers);
        outcome.ms = std::chrono::duration_cast<milliseconds>(Clock::now() - started).count();
        return outcome;
    }

    // Each GET on a thread of its own, all at once, as a worker's fetches meet them.
    std::vector<Outcome> GetAtOnce(
        const std::vector<std::pair<std::string, UnreachableServers>>& gets) const {
        std::vector<Outcome> outcomes(gets.size());
        std::vector<std::thread> threads;
        for (size_t i = 0; i < gets.size(); ++i)
            threads.emplace_back([&, i] { outcomes[i] = Get(gets[i].first, gets[i].second); });
        for (std::thread& thread : threads) thread.join();
        for (size_t i = 0; i < gets.size(); ++i)
            std::cout << gets[i].first << ": " << (outcomes[i].ok ? "ok" : "failed") << " after "
                      << outcomes[i].ms << " ms\n";
        return outcomes;
    }

    std::string Clogged(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server_->CloggedPort()) + path;
    }
    std::string Mute(const std::string& scheme) const {
        return scheme + "://127.0.0.1:" + std::to_string(server_->MutePort()) + "/page";
    }
    bool Remembered(int port) const {
        return net::TheUnreachableHosts().IsUnreachable(net::ServerKey("127.0.0.1", port),
                                                        Clock::now());
    }

    std::unique_ptr<batch::LoopbackServer> server_;
    std::shared_ptr<CInternetSession> session_;
};

TEST_F(NetWaitsTest, EachStallEndsByTheSessionsWaitsNotByThePagesBound) {
    const auto kTry = UnreachableServers::kTry;
    const std::vector<std::pair<std::string, UnreachableServers>> gets = {
        {Clogged("/never-connected"), kTry},
        {Mute("http"), kTry},                      // connected; the answer's head never comes
        {Mute("https"), kTry},                     // connected; the TLS handshake never completes
        {server_->Http("/stall/60000"), kTry},     // half the body, then nothing
        {server_->Http("/slowhead/3000"), kTry}};  // the head a byte every 3 s
    const std::vector<Outcome> outcomes = GetAtOnce(gets);
    for (size_t i = 0; i < gets.size(); ++i) {
        EXPECT_FALSE(outcomes[i].ok) << gets[i].first;
        EXPECT_LT(outcomes[i].ms, kWithinMs) << gets[i].first;
        const long long waits = i == 0 ? kConnectGivenUpMs : kTimeoutMs;
        EXPECT_GE(outcomes[i].ms, waits - 100) << gets[i].first << ": ended by the waits";
    }
    // The connection was tried twice: a further resource there is not.
    EXPECT_TRUE(Remembered(server_->CloggedPort()));
    // Servers that accepted the connection are never taken for unreachable.
    EXPECT_FALSE(Remembered(server_->MutePort()));
    EXPECT_FALSE(Remembered(server_->HttpPort()));
}

TEST_F(NetWaitsTest, AnUnreachableServerIsPaidOnceByResourcesAndAlwaysTriedByPages) {
    const auto kTry = UnreachableServers::kTry, kSkip = UnreachableServers::kSkip;
    Outcome first = Get(Clogged("/first"), kSkip);
    EXPECT_FALSE(first.ok);
    EXPECT_GE(first.ms, kConnectGivenUpMs - 100) << "nothing known yet: tried";
    ASSERT_TRUE(Remembered(server_->CloggedPort()));

    const std::vector<std::pair<std::string, UnreachableServers>> gets = {
        {Clogged("/resource"), kSkip},
        {Clogged("/page"), kTry},
        // A redirect of a resource to the unreachable server fails at once as well.
        {server_->Http("/redirect?to=" + Clogged("/img.png")), kSkip},
        {server_->Http("/lf"), kSkip}};
    const std::vector<Outcome> outcomes = GetAtOnce(gets);
    EXPECT_FALSE(outcomes[0].ok);
    EXPECT_LT(outcomes[0].ms, 1000) << "a resource on a server known unreachable";
    EXPECT_FALSE(outcomes[1].ok);
    EXPECT_GE(outcomes[1].ms, kConnectGivenUpMs - 100) << "a page of the list is always tried";
    EXPECT_FALSE(outcomes[2].ok);
    EXPECT_LT(outcomes[2].ms, 1000);
    EXPECT_TRUE(outcomes[3].ok) << "other servers are asked as ever";
}

TEST_F(NetWaitsTest, CompressedAnswersAreDecodedAndTheRestFail) {
    const std::string text = "first line\nsecond line\nthird line\n";
    for (const char* encoding : {"gzip", "x-gzip", "deflate", "rawdeflate"}) {
        Outcome got = Get(server_->Http(std::string("/encoded/") + encoding + "/lf"));
        EXPECT_TRUE(got.ok) << encoding;
        EXPECT_EQ(text, got.page.body) << encoding;
        EXPECT_EQ("text/plain", got.page.contentType) << encoding;
    }
    for (const char* encoding : {"br", "unknown", "corrupt"}) {
        Outcome got = Get(server_->Http(std::string("/encoded/") + encoding + "/lf"));
        EXPECT_FALSE(got.ok) << encoding;
        EXPECT_TRUE(got.page.body.empty()) << encoding;
    }
    // The cap holds for the decoded body: 20,000 bytes come as a few hundred.
    EXPECT_TRUE(Get(server_->Http("/encoded/gzip/big/20000"), UnreachableServers::kTry, 20000).ok);
    EXPECT_FALSE(Get(server_->Http("/encoded/gzip/big/20000"), UnreachableServers::kTry, 19999).ok);
    // Decoding asks nothing of the server: the request is as ever.
    Outcome echo = Get(server_->Http("/encoded/gzip/echo"));
    ASSERT_TRUE(echo.ok);
    EXPECT_NE(std::string::npos, echo.page.body.find("\r\nAccept: */*\r\n")) << echo.page.body;
    EXPECT_EQ(std::string::npos, echo.page.body.find("Accept-Encoding")) << echo.page.body;
}

}  // namespace
