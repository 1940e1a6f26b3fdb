// Reports that arrive while another modal loop runs on the program's UI thread (a box, the
// folder browser) are counted like any other: the batch still ends, and at the right time.
#include "app/texts.h"
#include "tests/gui/batch/batch_fixture.h"

namespace batch {
namespace {

class ModalLoopTest : public BatchTest {
protected:
    // Starts a batch of four pages on two threads and waits for its first tick. The pages
    // report 250, 450, 650 and 850 ms after it.
    void StartFourPages(const std::string& tag) {
        urls_ = SlowUrls({250, 450, 250, 250}, tag);
        ASSERT_NO_FATAL_FAILURE(StartWithThreads(2));
        ASSERT_NO_FATAL_FAILURE(ImportList(urls_));
        Record();
        ASSERT_TRUE(gui::Click(RunButton()));
        ASSERT_TRUE(recorder_->WaitForLines({kRunning, Progress(2, 4, 2)}, gui::kWaitMs))
            << Listing(recorder_->Lines());
    }

    // With `window` still open, every report of the batch is counted: the batch ends, and
    // not before the last page is saved (a worker saves its page before it reports). The
    // lines in between depend on how long the window kept the UI thread busy as it opened.
    void ExpectBatchEndsBehind(HWND window) {
        ASSERT_TRUE(recorder_->WaitForLines({kRunning, kFinished}, gui::kWaitMs))
            << Listing(recorder_->Lines());
        for (const std::string& url : urls_)
            EXPECT_TRUE(FileExists(OutputPath(url))) << "ended before " << url << " was saved";
        EXPECT_TRUE(IsWindow(window)) << "the test meant to hold it open";
        EXPECT_EQ(kFinished, recorder_->Lines().back()) << Listing(recorder_->Lines());
    }

    void ExpectEveryPageFetched(int times) {
        for (const std::string& path : PathsOf(urls_))
            EXPECT_EQ(times, server_->CountOf(path)) << path;
    }

    std::vector<std::string> urls_;
};

TEST_F(ModalLoopTest, AboutBoxHeldOpen) {
    ASSERT_NO_FATAL_FAILURE(StartFourPages("about"));
    ASSERT_TRUE(gui::PostClick(Item(gui::id::kAbout)));
    HWND about = gui::WaitForDialog(app_.Id(), "关于 Brindlow");
    ASSERT_NE(nullptr, about);
    ASSERT_NO_FATAL_FAILURE(ExpectBatchEndsBehind(about));
    ASSERT_TRUE(gui::DismissBox(about));
    ExpectEndState();
    ExpectEveryPageFetched(1);
}

TEST_F(ModalLoopTest, FolderBrowserHeldOpen) {
    ASSERT_NO_FATAL_FAILURE(StartFourPages("browse"));
    ASSERT_TRUE(gui::PostClick(Item(gui::id::kBrowse)));
    HWND browser = gui::WaitForFolderBrowser(app_.Id());
    ASSERT_NE(nullptr, browser);
    ASSERT_NO_FATAL_FAILURE(ExpectBatchEndsBehind(browser));
    ASSERT_TRUE(gui::EndDialogWith(browser, IDCANCEL));
    ExpectEndState();
    EXPECT_EQ(out_, ItemText(gui::id::kOutDir));
    ExpectEveryPageFetched(1);
}

TEST_F(ModalLoopTest, ImportDuringTheBatchIsRefusedAndItsWarningHeldOpen) {
    ASSERT_NO_FATAL_FAILURE(StartFourPages("import"));
    ASSERT_TRUE(gui::PostClick(Item(gui::id::kImport)));
    HWND warning = gui::WaitForWarningBox(app_.Id(), dialog_);
    ASSERT_NE(nullptr, warning);
    EXPECT_EQ(texts::kImportWhileRunning, gui::MessageText(warning));
    ASSERT_NO_FATAL_FAILURE(ExpectBatchEndsBehind(warning));
    ASSERT_TRUE(gui::DismissBox(warning));
    EXPECT_TRUE(OnlyMainDialogOpen()) << "no file chooser may follow the warning";
    ExpectEndState();

    // The table is the one imported before: a second batch fetches the same pages.
    const auto lines = RecordBatch();
    EXPECT_TRUE(InOrder(lines, {kRunning, Progress(2, 4, 2), kFinished})) << Listing(lines);
    ExpectEveryPageFetched(2);
}

}  // namespace
}  // namespace batch
