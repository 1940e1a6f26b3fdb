// Closing the dialog while pages are being fetched: nothing new starts, the workers alive
// finish, every file is whole or absent, the settings are saved and the process ends.
#include <algorithm>
#include <chrono>
#include <iostream>

#include "fetch/output_name.h"
#include "tests/gui/batch/batch_fixture.h"

namespace batch {
namespace {

class CloseTest : public BatchTest {};

TEST_F(CloseTest, DuringABatchEndsTheProcessWithWholeFiles) {
    std::vector<std::string> urls = SlowUrls({2500, 2700, 2900}, "close");
    // A big page that arrives well before the slow ones and takes a while to write.
    urls.insert(urls.begin() + 1, server_->Http("/big/16000000"));
    // Beyond the four threads: never started.
    for (const std::string& url : SlowUrls({100, 100}, "never")) urls.push_back(url);
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(4));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    Record();
    ASSERT_TRUE(gui::Click(RunButton()));
    ASSERT_TRUE(recorder_->WaitForLines({kRunning, Progress(4, 6, 4)}, gui::kWaitMs))
        << Listing(recorder_->Lines());
    // The form as it stands at the close is what is saved, not what the batch started with.
    ASSERT_TRUE(gui::SetText(Item(gui::id::kThreads), "7"));
    // Close as soon as the first file (the big page's) shows up, while it is being written:
    // a close that does not wait for the workers leaves it cut off or its temporary behind.
    const auto waitFrom = std::chrono::steady_clock::now();
    while (FilesIn(out_).empty()) {
        ASSERT_LT(std::chrono::steady_clock::now() - waitFrom, std::chrono::seconds(15))
            << "no page was written";
        ::Sleep(0);
    }

    const auto closed = std::chrono::steady_clock::now();
    ASSERT_TRUE(gui::PostClose(dialog_));
    // The slowest page takes 2.9 s; the program's own bound for a worker is far longer.
    ASSERT_TRUE(app_.WaitForExit(30000)) << "still running 30 s after the close";
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - closed);
    std::cout << "closed during a batch: the process ended after " << elapsed.count() << " ms\n";
    RecordProperty("close_to_exit_ms", static_cast<int>(elapsed.count()));
    recorder_->Stop();
    DWORD exitCode = 0;
    ASSERT_TRUE(::GetExitCodeProcess(app_.Handle(), &exitCode));
    EXPECT_EQ(0u, exitCode) << "a crash at the close, e.g. a worker using freed state";

    const std::string wholeText[] = {"slow 2500 close0\r\n", Pattern(16000000),
                                     "slow 2700 close1\r\n", "slow 2900 close2\r\n"};
    for (int i = 0; i < 4; ++i) {
        std::string saved;
        if (ReadWholeFile(OutputPath(urls[i]), &saved)) {
            EXPECT_TRUE(saved == wholeText[i]) << urls[i] << ": " << saved.size() << " bytes";
        }
    }
    for (int i = 4; i < 6; ++i) EXPECT_FALSE(FileExists(OutputPath(urls[i]))) << urls[i];
    EXPECT_TRUE(RequestedPaths("/slow/100/never").empty());
    std::vector<std::string> pageNames;
    for (int i = 0; i < 4; ++i) pageNames.push_back(OutputFileName(CString(urls[i])).str());
    for (const std::string& name : FilesIn(out_))
        EXPECT_NE(pageNames.end(), std::find(pageNames.begin(), pageNames.end(), name))
            << "left behind: " << name;

    EXPECT_EQ("7", gui::SettingValue("threadcount"));
    EXPECT_EQ("1", gui::SettingValue("filetyp"));
    EXPECT_EQ(out_, gui::SettingValue("pathout"));
}

}  // namespace
}  // namespace batch
