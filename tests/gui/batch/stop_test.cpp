// Stop: the workers alive finish their pages, no further URL is handed out, and the batch
// ends at the last report, or at once when none is alive.
#include <algorithm>

#include "tests/gui/batch/batch_fixture.h"

namespace batch {
namespace {

class StopTest : public BatchTest {};

TEST_F(StopTest, AfterTheFirstTickTheLiveWorkersFinishAndNothingMoreStarts) {
    // The two first pages report 250 and 450 ms after the first tick.
    const auto urls = SlowUrls({250, 450, 250, 250, 250, 250, 250, 250, 250, 250}, "stop");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(2));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));

    // A batch ended by Stop does not resume where it stopped: each Run begins at URL 0.
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        Record();
        ASSERT_TRUE(gui::Click(RunButton()));
        ASSERT_TRUE(recorder_->WaitForLines({kRunning, Progress(2, 10, 2)}, gui::kWaitMs))
            << Listing(recorder_->Lines());
        ASSERT_TRUE(gui::Click(RunButton()));
        EXPECT_EQ(kCaptionStopping, gui::Text(RunButton()));
        EXPECT_FALSE(IsWindowEnabled(RunButton()));

        ASSERT_TRUE(recorder_->WaitForLines({kRunning, kFinished}, gui::kWaitMs))
            << Listing(recorder_->Lines());
        recorder_->Stop();
        const std::vector<std::string> expected = {kRunning, Progress(2, 10, 2), Progress(2, 10, 1),
                                                   kFinished};
        EXPECT_EQ(expected, FromRun(recorder_->Lines())) << Listing(recorder_->Lines());
        ExpectButtonStates(
            {{kCaptionStop, true}, {kCaptionStopping, false}, {kCaptionStart, true}});
        ExpectEndState();
    }
    const std::vector<std::string> first = PathsOf({urls[0], urls[1]});
    std::vector<std::string> requested = RequestedPaths("/slow/");
    std::sort(requested.begin(), requested.end());
    const std::vector<std::string> expected = {first[0], first[0], first[1], first[1]};
    EXPECT_EQ(expected, requested) << "only the first two URLs, once per run";
}

TEST_F(StopTest, BeforeTheFirstTickTheBatchEndsAtOnce) {
    const auto urls = SlowUrls({300, 300, 300}, "early");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(2));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    ASSERT_TRUE(gui::Click(RunButton()));
    ASSERT_TRUE(gui::Click(RunButton()));
    // No worker is alive, so no report would ever end this batch.
    ExpectEndState();

    // Three periods of the scheduler: no tick may start anything now.
    ::Sleep(600);
    EXPECT_EQ(kFinished, gui::Text(Status()));
    EXPECT_TRUE(RequestedPaths("/slow/").empty());
}

}  // namespace
}  // namespace batch
