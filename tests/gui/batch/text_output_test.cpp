// Format 1 end to end: what lands in the output folder for each kind of page, and what the
// server sees of the requests.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>

#include "fetch/output_name.h"
#include "tests/gui/batch/batch_fixture.h"

namespace batch {
namespace {

class TextOutputTest : public BatchTest {};

const char kLfText[] = "first line\r\nsecond line\r\nthird line\r\n";

TEST_F(TextOutputTest, EachPageIsSavedByteForByteOrNotAtAll) {
    const std::string longlines = "short\r\n" + Pattern(4093) + "\r\n" + Pattern(4094) + "\r\n" +
                                  Pattern(4095) + "\r\n" + Pattern(10000) + "\r\ntail";
    struct Page {
        std::string url;
        std::string text;  // empty: no file may be left
    };
    const std::string port = std::to_string(server_->HttpPort());
    const Page pages[] = {
        {server_->Http("/lf"), kLfText},
        {server_->Http("/crlf"), kLfText},
        {server_->Http("/nolf"), "first line\r\nlast line without end"},
        {server_->Http("/longline"), Pattern(10000)},
        {server_->Http("/longlines"), longlines},
        // Only the exact lower-case form is an address sign.
        {server_->Http("/at"), "a@b\r\n(AT)\r\n( at )\r\n(@)\r\n@@\r\nname@example.com\r\n"},
        {server_->Http("/nul"), std::string("before\r\nab\0cd\r\nafter\r\n", 22)},
        {server_->Http("/redirect"), kLfText},
        {server_->Https("/crlf"), kLfText},
        // Well above any page a user fetches, still below the cap.
        {server_->Http("/big/16777216"), Pattern(16777216)},
        {server_->Http("/status/404"), ""},
        {server_->Http("/status/500"), ""},
        {server_->Http("/status/204"), ""},
        {server_->Http("/empty"), ""},
        {server_->Http("/reset"), ""},
        {server_->Http("/stall"), ""},
        {server_->Http("/big/33554433"), ""},  // one byte over the cap
        // Compressed whatever was asked: saved decoded, or not at all.
        {server_->Http("/encoded/gzip/lf"), kLfText},
        {server_->Http("/encoded/deflate/crlf"), kLfText},
        {server_->Http("/encoded/br/lf"), ""},
        {server_->Http("/encoded/corrupt/lf"), ""},
        {server_->Http("/encoded/gzip/big/16777217"), ""},  // a few KB inflating past the cap
        {server_->SelfSigned("/lf"), ""},
        {"ftp://127.0.0.1:" + port + "/ftp-marker", ""},
        {"mailto:a", ""},
        {"127.0.0.1:" + port + "/no-scheme-marker", ""},
        {"http//127.0.0.1:" + port + "/typo-marker", ""},
    };
    std::vector<std::string> urls;
    std::vector<std::string> expectedFiles;
    for (const Page& page : pages) {
        urls.push_back(page.url);
        // An older file of every name: replaced by a page, deleted by a failure.
        std::ofstream(OutputPath(page.url), std::ios::binary) << "older file";
        ASSERT_TRUE(FileExists(OutputPath(page.url))) << OutputPath(page.url);
        if (!page.text.empty()) expectedFiles.push_back(OutputFileName(CString(page.url)).str());
    }
    std::sort(expectedFiles.begin(), expectedFiles.end());

    ASSERT_NO_FATAL_FAILURE(StartWithThreads(20));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    ASSERT_NO_FATAL_FAILURE(RunToEnd(60000));

    for (const Page& page : pages) {
        std::string saved;
        const bool exists = ReadWholeFile(OutputPath(page.url), &saved);
        if (page.text.empty()) {
            EXPECT_FALSE(exists) << page.url << " left " << OutputPath(page.url);
        } else {
            EXPECT_TRUE(exists) << page.url << ": no " << OutputPath(page.url);
            EXPECT_TRUE(saved == page.text)
                << page.url << ": " << saved.size() << " bytes, expected " << page.text.size()
                << "; begins \"" << saved.substr(0, 60) << "\"";
        }
    }
    EXPECT_EQ(expectedFiles, FilesIn(out_)) << "nothing else may be left in the folder";
    // A port's ":" and the "//" after "https:" cannot stand in a Windows file name.
    const std::string tlsPort = std::to_string(server_->TlsPort());
    EXPECT_TRUE(FileExists(out_ + "\\127_0_0_1_" + port + "_lf.txt"));
    EXPECT_TRUE(FileExists(out_ + "\\https___localhost_" + tlsPort + "_crlf.txt"));

    // URLs that are not http or https never reach the network.
    for (const RecordedRequest& request : server_->Requests())
        EXPECT_EQ(std::string::npos, request.path.find("marker")) << request.path;
}

TEST_F(TextOutputTest, EachPageIsOneGetWithTheTwoFixedHeaders) {
    const std::string plain = server_->Http("/echo?page=1#part");
    const std::string secure = server_->Https("/echo?page=2#part");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(2));
    ASSERT_NO_FATAL_FAILURE(ImportList({plain, secure}));
    ASSERT_NO_FATAL_FAILURE(RunToEnd());

    const auto requests = server_->Requests("/echo");
    ASSERT_EQ(2u, requests.size());
    for (const RecordedRequest& request : requests) {
        SCOPED_TRACE(request.path);
        EXPECT_EQ("GET", request.method);
        EXPECT_EQ(std::vector<std::string>{"*/*"}, request.HeaderValues("Accept"));
        EXPECT_EQ(std::vector<std::string>{"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"},
                  request.HeaderValues("User-Agent"));
    }
    const RecordedRequest& first = requests[0].tls ? requests[1] : requests[0];
    const RecordedRequest& second = requests[0].tls ? requests[0] : requests[1];
    EXPECT_EQ("/echo?page=1", first.path) << "the fragment stays with the client";
    EXPECT_FALSE(first.tls);
    EXPECT_EQ("/echo?page=2", second.path);
    EXPECT_TRUE(second.tls);
    EXPECT_EQ(server_->TlsPort(), second.port);

    // The page is the request head as the server received it.
    std::string saved;
    ASSERT_TRUE(ReadWholeFile(OutputPath(plain), &saved));
    EXPECT_EQ(0u, saved.find("GET /echo?page=1 HTTP/1.1\r\n")) << saved;
}

// Redirects are followed by the program, yet a cookie set on the way is sent on, as a browser
// sends it: the platform's cookie store stays in use.
TEST_F(TextOutputTest, ACookieSetByARedirectIsSentOn) {
    const std::string page = server_->Http("/cookie?to=/echo?after=cookie");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(1));
    ASSERT_NO_FATAL_FAILURE(ImportList({page}));
    ASSERT_NO_FATAL_FAILURE(RunToEnd());

    const auto requests = server_->Requests("/echo?after=cookie");
    ASSERT_EQ(1u, requests.size()) << "the redirect was followed";
    EXPECT_EQ(std::vector<std::string>{"brindlow=1"}, requests[0].HeaderValues("Cookie"));
    std::string saved;
    ASSERT_TRUE(ReadWholeFile(OutputPath(page), &saved));
    EXPECT_NE(std::string::npos, saved.find("brindlow=1")) << saved;
}

TEST_F(TextOutputTest, SilentServerFailsThePageWithinTheTimeOut) {
    const std::string silent = server_->Http("/silent");
    const std::string normal = server_->Http("/lf");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(2));
    ASSERT_NO_FATAL_FAILURE(ImportList({silent, normal}));

    const auto started = std::chrono::steady_clock::now();
    // The server would hold the page for 30 s: the batch must end long before that.
    ASSERT_NO_FATAL_FAILURE(RunToEnd(20000));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    std::cout << "silent page: batch ended after " << elapsed.count() << " ms\n";
    RecordProperty("silent_batch_ms", static_cast<int>(elapsed.count()));

    EXPECT_FALSE(FileExists(OutputPath(silent)));
    EXPECT_TRUE(FileExists(OutputPath(normal)));
    EXPECT_EQ(1, server_->CountOf("/silent")) << "the request is sent once";
}

}  // namespace
}  // namespace batch
