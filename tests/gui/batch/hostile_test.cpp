// Servers that never finish: a batch, Stop and closing the dialog all end within a page's bound
// of 60 s, whatever the server does, and a page cut off leaves no file.
#include <chrono>
#include <fstream>
#include <iostream>

#include "fetch/output_name.h"
#include "tests/gui/batch/batch_fixture.h"

namespace batch {
namespace {

using Clock = std::chrono::steady_clock;

// A page's bound, plus the scheduler's tick and a loaded machine.
constexpr long long kBoundMs = 60000 + 8000;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// What ends a batch: its list running out, Stop, or closing the dialog.
enum class Ending { kListDone, kStop, kClose };

class HostileTest : public BatchTest {
protected:
    // One URL of each kind of server that holds a page: a body trickled one byte every 4 s,
    // an answer (head first) trickled one byte every 3 s, a redirect to itself, silence after
    // the request, and a body that stops half-way.
    std::vector<std::string> HostileUrls() const {
        return {server_->Http("/trickle/4000/40"), server_->Http("/slowhead/3000"),
                server_->Http("/loop/text"), server_->Http("/silent/120000"),
                server_->Http("/stall/120000")};
    }
    // Three answers whose bodies never end, sent as fast as they are read (a 200 over the cap,
    // a 404, a redirect to /lf), ahead of ten small pages, at five threads: each stream ends its
    // own page at once, and none holds the small pages, however the batch ends.
    void EndlessBodiesAmongSmallPages(Ending ending) {
        const std::vector<std::string> streams = {server_->Http("/endless/200"),
                                                  server_->Http("/endless/404")};
        const std::string redirect = server_->Http("/endless/302");
        std::vector<std::string> urls = streams;
        urls.push_back(redirect);
        for (int i = 0; i < 10; ++i)
            urls.push_back(server_->Http("/slow/200/" + std::to_string(i)));
        for (const std::string& url : streams) ASSERT_NO_FATAL_FAILURE(PlaceOlderFile(url));
        ASSERT_NO_FATAL_FAILURE(StartWithThreads(5));
        ASSERT_NO_FATAL_FAILURE(ImportList(urls));
        Record();
        const auto started = Clock::now();
        ASSERT_TRUE(gui::Click(RunButton()));
        if (ending == Ending::kClose) {
            ASSERT_TRUE(recorder_->WaitForLines({kRunning, Progress(5, 13, 5)}, gui::kWaitMs))
                << Listing(recorder_->Lines());
            recorder_->Stop();
            ASSERT_TRUE(gui::PostClose(dialog_));
            ASSERT_TRUE(app_.WaitForExit(static_cast<DWORD>(kBoundMs)))
                << "still running " << kBoundMs << " ms after the close";
            DWORD exitCode = 1;
            ASSERT_TRUE(::GetExitCodeProcess(app_.Handle(), &exitCode));
            EXPECT_EQ(0u, exitCode);
            EXPECT_EQ("5", gui::SettingValue("threadcount"));
        } else {
            if (ending == Ending::kStop) {
                ASSERT_TRUE(recorder_->WaitForLines({kRunning, Progress(5, 13, 5)}, gui::kWaitMs))
                    << Listing(recorder_->Lines());
                ASSERT_TRUE(gui::Click(RunButton()));
            }
            ASSERT_TRUE(recorder_->WaitForLines({kRunning, kFinished}, kBoundMs))
                << Listing(recorder_->Lines());
            recorder_->Stop();
            ExpectEndState();
        }
        const long long took = MsSince(started);
        std::cout << "endless bodies among small pages: ended " << took << " ms after Run\n";
        EXPECT_LT(took, kBoundMs);

        // Every file there is a whole page; none is a stream's, older or new.
        const std::vector<std::string> files = FilesIn(out_);
        for (const std::string& url : streams)
            EXPECT_FALSE(FileExists(OutputPath(url))) << url << " left a file";
        for (size_t i = 2; i < urls.size(); ++i) {
            std::string saved;
            if (!ReadWholeFile(OutputPath(urls[i]), &saved)) {
                EXPECT_NE(Ending::kListDone, ending) << urls[i] << " has no file";
                continue;
            }
            const std::string expected = i == 2 ? "first line\r\nsecond line\r\nthird line\r\n"
                                                : "slow 200 " + std::to_string(i - 3) + "\r\n";
            EXPECT_EQ(expected, saved) << urls[i];
        }
        for (const std::string& name : files)
            EXPECT_EQ(std::string::npos, name.find(".part")) << "temporary file " << name;
    }

    void PlaceOlderFile(const std::string& url) const {
        std::ofstream(OutputPath(url), std::ios::binary) << "older page\r\n";
        ASSERT_TRUE(FileExists(OutputPath(url)));
    }
};

TEST_F(HostileTest, StopDuringHostilePagesEndsTheBatchWithinTheBoundWithoutTheirFiles) {
    std::vector<std::string> urls = HostileUrls();
    for (const std::string& url : urls) ASSERT_NO_FATAL_FAILURE(PlaceOlderFile(url));
    const std::string good = server_->Http("/lf");
    urls.push_back(good);
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(6));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    Record();
    const auto started = Clock::now();
    ASSERT_TRUE(gui::Click(RunButton()));
    ASSERT_TRUE(recorder_->WaitForLines({kRunning, Progress(6, 6, 5)}, gui::kWaitMs))
        << Listing(recorder_->Lines());
    ASSERT_TRUE(gui::Click(RunButton()));
    EXPECT_EQ(kCaptionStopping, gui::Text(RunButton()));
    ASSERT_TRUE(recorder_->WaitForLines({kRunning, kFinished}, kBoundMs))
        << Listing(recorder_->Lines());
    const long long took = MsSince(started);
    std::cout << "text batch of hostile pages, stopped: ended " << took << " ms after Run\n";
    RecordProperty("hostile_text_batch_ms", static_cast<int>(took));
    EXPECT_LT(took, kBoundMs);
    recorder_->Stop();
    ExpectEndState();

    const std::vector<std::string> expected = {OutputFileName(CString(good)).str()};
    EXPECT_EQ(expected, FilesIn(out_)) << "only the good page, no older file, no temporary file";
    std::string saved;
    EXPECT_TRUE(ReadWholeFile(OutputPath(good), &saved));
    EXPECT_EQ("first line\r\nsecond line\r\nthird line\r\n", saved);
    // The redirect loop was given up after the redirects a browser allows.
    EXPECT_EQ(21, server_->CountOf("/loop/text"));
}

// Hosts that never answer cost a page the session's waits, not the page's bound: a connection
// never completed (5 s, a 1 s back-off, 5 s), and connections accepted but left silent (the
// answer's head, the TLS handshake, the rest of a body: 5 s each).
TEST_F(HostileTest, StalledHostsCostEachPageTheSessionsWaitsOnly) {
    const std::string clogged = "http://127.0.0.1:" + std::to_string(server_->CloggedPort());
    const std::string mute = "127.0.0.1:" + std::to_string(server_->MutePort());
    const std::vector<std::string> stalled = {clogged + "/page", "http://" + mute + "/page",
                                              "https://" + mute + "/page",
                                              server_->Http("/stall/120000")};
    for (const std::string& url : stalled) ASSERT_NO_FATAL_FAILURE(PlaceOlderFile(url));
    std::vector<std::string> urls = stalled;
    const std::string good = server_->Http("/lf");
    urls.push_back(good);
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(5));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    const auto started = Clock::now();
    // About 11 s; the slack is a loaded machine's, far below the page's bound.
    ASSERT_NO_FATAL_FAILURE(RunToEnd(20000));
    const long long took = MsSince(started);
    std::cout << "text batch of stalled hosts: ended " << took << " ms after Run\n";
    RecordProperty("stalled_text_batch_ms", static_cast<int>(took));
    EXPECT_GE(took, 10000) << "the connection is tried twice";
    const std::vector<std::string> expected = {OutputFileName(CString(good)).str()};
    EXPECT_EQ(expected, FilesIn(out_)) << "only the good page, no older file";
}

TEST_F(HostileTest, EndlessBodiesHoldNoPageWhenTheListRunsOut) {
    EndlessBodiesAmongSmallPages(Ending::kListDone);
}

TEST_F(HostileTest, EndlessBodiesHoldNoPageWhenStopped) {
    EndlessBodiesAmongSmallPages(Ending::kStop);
}

TEST_F(HostileTest, EndlessBodiesHoldNoPageWhenTheDialogCloses) {
    EndlessBodiesAmongSmallPages(Ending::kClose);
}

TEST_F(HostileTest, CloseDuringATrickleEndsTheProcessInTimeAndKeepsTheSettings) {
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(2));
    ASSERT_NO_FATAL_FAILURE(
        ImportList({server_->Http("/trickle/4000/40"), server_->Http("/slowhead/3000")}));
    Record();
    ASSERT_TRUE(gui::Click(RunButton()));
    ASSERT_TRUE(recorder_->WaitForLines({kRunning, Progress(2, 2, 2)}, gui::kWaitMs))
        << Listing(recorder_->Lines());
    recorder_->Stop();
    // Changed during the batch: the form as it stands at the close is what is saved.
    ASSERT_TRUE(gui::SetText(Item(gui::id::kThreads), "9"));

    const auto closed = Clock::now();
    ASSERT_TRUE(gui::PostClose(dialog_));
    ASSERT_TRUE(app_.WaitForExit(static_cast<DWORD>(kBoundMs)))
        << "still running " << kBoundMs << " ms after the close";
    const long long took = MsSince(closed);
    std::cout << "closed during a trickle: the process ended after " << took << " ms\n";
    RecordProperty("close_to_exit_ms", static_cast<int>(took));
    DWORD exitCode = 1;
    ASSERT_TRUE(::GetExitCodeProcess(app_.Handle(), &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(FilesIn(out_).empty());

    EXPECT_EQ("9", gui::SettingValue("threadcount"));
    EXPECT_EQ("1", gui::SettingValue("filetyp"));
    EXPECT_EQ(out_, gui::SettingValue("pathout"));
    ASSERT_NO_FATAL_FAILURE(StartAgain());
    EXPECT_EQ("9", ItemText(gui::id::kThreads));
    EXPECT_EQ(out_, ItemText(gui::id::kOutDir));
}

}  // namespace
}  // namespace batch
