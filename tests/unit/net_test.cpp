// The one GET against the loopback server: what it returns, where redirects lead, and that it
// gives up by its deadline whatever the server does.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/fetch_limits.h"
#include "net/http_get.h"
#include "net/request_threads.h"
#include "net/session.h"
#include "tests/gui/batch/loopback_server.h"

namespace {

using net::Clock;
using std::chrono::milliseconds;

// A loopback listener that never accepts, its queue filled: a further connection is never
// completed (the system drops its handshake).
class CloggedListener {
public:
    CloggedListener() {
        WSADATA data;
        m_started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
        m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(m_listener, 1) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        m_port = ntohs(address.sin_port);
        for (SOCKET& filler : m_fillers) {
            filler = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            u_long nonBlocking = 1;
            ::ioctlsocket(filler, FIONBIO, &nonBlocking);
            ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
        ::Sleep(200);  // the fillers' handshakes fill the queue
    }
    ~CloggedListener() {
        for (SOCKET filler : m_fillers) ::closesocket(filler);
        ::closesocket(m_listener);
        if (m_started) ::WSACleanup();
    }
    int Port() const { return m_port; }

private:
    bool m_started = false;
    SOCKET m_listener = INVALID_SOCKET;
    SOCKET m_fillers[8] = {};
    int m_port = 0;
};

class HttpGetTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<batch::LoopbackServer>();
        session_ = net::OpenSession();
    }

    bool Get(const std::string& path, net::GetResult& out,
             milliseconds within = milliseconds(20000), size_t maxBytes = kMaxBodyBytes) {
        return net::HttpGet(session_, server_->Http(path), maxBytes, Clock::now() + within, out,
                            lease_);
    }

    // A path of the server no other test asks for.
    static std::string Unique(const std::string& stem) {
        return stem + std::to_string(::GetCurrentProcessId()) + "-" +
               std::to_string(::GetTickCount());
    }

    std::unique_ptr<batch::LoopbackServer> server_;
    std::shared_ptr<CInternetSession> session_;
    std::shared_ptr<net::BodyLease> lease_ = std::make_shared<net::BodyLease>();
};

TEST(ConnectionCaps, RaisedProcessWideBeforeTheFirstSession) {
    net::OpenSession();
    for (DWORD option : {DWORD(INTERNET_OPTION_MAX_CONNS_PER_SERVER),
                         DWORD(INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER)}) {
        DWORD value = 0, size = sizeof value;
        ASSERT_TRUE(::InternetQueryOptionA(nullptr, option, &value, &size)) << option;
        // 20 workers, each with its page and 6 archive fetches, all at once.
        EXPECT_GE(value, 20u * 7u) << option;
        EXPECT_EQ(net::kMaxConnectionsPerServer, value) << option;
    }
}

TEST_F(HttpGetTest, RedirectsAndBodies) {
    net::GetResult page;
    ASSERT_TRUE(Get("/redirect?to=/lf", page));
    EXPECT_EQ("first line\nsecond line\nthird line\n", page.body);
    EXPECT_EQ("text/plain", page.contentType);
    EXPECT_EQ(server_->Http("/lf"), page.finalUrl);
    // TLS on the request thread's small stack.
    ASSERT_TRUE(net::HttpGet(session_, server_->Https("/redirect?to=/nolf"), kMaxBodyBytes,
                             Clock::now() + milliseconds(20000), page, lease_));
    EXPECT_EQ("first line\nlast line without end", page.body);

    EXPECT_FALSE(Get("/redirect?to=/status/404", page));
    // A body without a length is cut at the cap as it comes.
    EXPECT_FALSE(Get("/big/20000?nolength", page, milliseconds(20000), 19999));
    ASSERT_TRUE(Get("/big/20000?nolength", page, milliseconds(20000), 20000));
    EXPECT_EQ(20000u, page.body.size());
}

// A body's room is charged to its page's lease before it grows: a GET that finds the budget held
// by other pages waits for it, within its deadline, and a failed GET gives back its own share.
TEST_F(HttpGetTest, ABodyWaitsForRoomInTheBudget) {
    net::BodyBudget budget(100000);
    net::BodyLease holder(budget), overdraft(budget);
    auto page = std::make_shared<net::BodyLease>(budget);
    ASSERT_TRUE(holder.Take(100000, Clock::now()));
    ASSERT_TRUE(overdraft.Take(1, Clock::now()));
    net::GetResult out;
    EXPECT_FALSE(net::HttpGet(session_, server_->Http("/big/20000"), kMaxBodyBytes,
                              Clock::now() + milliseconds(1000), out, page));
    EXPECT_EQ(0u, page->Held());

    std::thread giver([&] {
        std::this_thread::sleep_for(milliseconds(300));
        holder.Give(100000);
    });
    EXPECT_TRUE(net::HttpGet(session_, server_->Http("/big/20000"), kMaxBodyBytes,
                             Clock::now() + milliseconds(20000), out, page));
    giver.join();
    EXPECT_EQ(20000u, out.body.size());
    const size_t held = page->Held();
    EXPECT_GE(held, 20000u);
    EXPECT_FALSE(net::HttpGet(session_, server_->Http("/stall/100"), kMaxBodyBytes,
                              Clock::now() + milliseconds(20000), out, page));
    EXPECT_EQ(held, page->Held());
}

TEST_F(HttpGetTest, ARedirectLoopEndsAfterTwentyRedirects) {
    const std::string path = Unique("/loop/");
    net::GetResult page;
    auto started = Clock::now();
    EXPECT_FALSE(Get(path, page));
    std::cout << "redirect loop: " << server_->CountOf(path) << " requests in "
              << std::chrono::duration_cast<milliseconds>(Clock::now() - started).count()
              << " ms\n";
    EXPECT_EQ(1 + kMaxRedirects, server_->CountOf(path));
}

// Each hostile answer, on threads of its own at once, as a worker meets them.
TEST_F(HttpGetTest, HostileServersAreLeftAtTheDeadline) {
    CloggedListener clogged;
    ASSERT_NE(0, clogged.Port());
    const std::vector<std::string> urls = {
        server_->Http("/trickle/4000/40"), server_->Http("/slowhead/3000"),
        server_->Http("/silent/60000"), server_->Http("/stall/60000"),
        "http://127.0.0.1:" + std::to_string(clogged.Port()) + "/never-connected"};
    const milliseconds bound(3000);
    std::vector<long long> tookMs(urls.size());
    std::vector<int> results(urls.size(), -1);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < urls.size(); ++i) {
        threads.emplace_back([&, i] {
            net::GetResult page;
            auto started = Clock::now();
            results[i] =
                net::HttpGet(session_, urls[i], kMaxBodyBytes, started + bound, page, lease_);
            tookMs[i] = std::chrono::duration_cast<milliseconds>(Clock::now() - started).count();
        });
    }
    for (std::thread& t : threads) t.join();
    for (size_t i = 0; i < urls.size(); ++i) {
        std::cout << urls[i] << ": left after " << tookMs[i] << " ms\n";
        EXPECT_EQ(0, results[i]) << urls[i];
        EXPECT_GE(tookMs[i], bound.count() - 50) << urls[i];
        EXPECT_LT(tookMs[i], bound.count() + 2000) << urls[i];
    }
}

// A thread left behind keeps what it uses (here the session, which the caller drops at once)
// and ends by itself when the server lets go.
TEST_F(HttpGetTest, ALeftThreadEndsWhenTheServerLetsGo) {
    const long before = net::LiveRequestThreads();
    net::GetResult page;
    EXPECT_FALSE(Get("/silent/2000", page, milliseconds(500)));
    EXPECT_GE(net::LiveRequestThreads(), before + 1);
    session_.reset();
    auto waitFrom = Clock::now();
    while (net::LiveRequestThreads() > before && Clock::now() - waitFrom < std::chrono::seconds(30))
        ::Sleep(50);
    EXPECT_EQ(before, net::LiveRequestThreads());
}

}  // namespace

// Request threads open and close connections under one session at once, and the session is
// closed after them. Wine's WinInet keeps a handle's children in a list it does not lock: done
// at once, these calls corrupted the list, and closing the session then walked freed memory.
TEST(SessionHandles, ConnectionsOpenedAndClosedAtOnceLeaveTheSessionWhole) {
    for (int round = 0; round < 3; ++round) {
        auto session = std::make_shared<CInternetSession>(nullptr, 1, INTERNET_OPEN_TYPE_DIRECT,
                                                          nullptr, nullptr, 0);
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([session] {
                for (int i = 0; i < 1500; ++i) {
                    auto connection = session->GetHttpConnection("127.0.0.1", 9);
                    auto request = connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, "/");
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
        session.reset();  // walks the children: the fault was here
    }
    SUCCEED();
}
