// The progress line of a running batch, tick by tick and report by report. Pages of chosen
// delays keep the program's events apart: workers start only at the 200 ms ticks, so a page
// of 50 ms plus whole periods reports early in a period, and the delays give each report a
// period of its own. A report may come up to about 150 ms late (thread start, connection,
// a busy machine) before its line and the next tick's swap places.
#include <algorithm>

#include "tests/gui/batch/batch_fixture.h"

namespace batch {
namespace {

// The decimal numbers of a line (GBK text has no ASCII digits inside its characters).
std::vector<int> NumbersIn(const std::string& line) {
    std::vector<int> numbers;
    for (size_t i = 0; i < line.size();) {
        if (line[i] < '0' || line[i] > '9') {
            ++i;
            continue;
        }
        size_t end = line.find_first_not_of("0123456789", i);
        if (end == std::string::npos) end = line.size();
        numbers.push_back(std::stoi(line.substr(i, end - i)));
        i = end;
    }
    return numbers;
}

class ProgressTest : public BatchTest {
protected:
    // Every line from the Run click on reads "正在运行...", a progress line of this batch or,
    // last, "执行结束！"; the count handed out never falls and the live workers never exceed
    // the thread count.
    static void ExpectWellFormed(const std::vector<std::string>& lines, int total, int threads) {
        auto first = std::find(lines.begin(), lines.end(), kRunning);
        ASSERT_NE(lines.end(), first) << Listing(lines);
        ASSERT_EQ(kFinished, lines.back()) << Listing(lines);
        int lastHandedOut = 0;
        for (auto line = first + 1; line + 1 < lines.end(); ++line) {
            const std::vector<int> numbers = NumbersIn(*line);
            ASSERT_EQ(3u, numbers.size()) << Readable(*line);
            const int handedOut = numbers[0], ofTotal = numbers[1], active = numbers[2];
            ASSERT_EQ(*line, Progress(handedOut, ofTotal, active)) << Readable(*line);
            EXPECT_EQ(total, ofTotal) << Readable(*line);
            EXPECT_GE(handedOut, lastHandedOut) << Listing(lines);
            EXPECT_LE(handedOut, total) << Readable(*line);
            EXPECT_GE(active, 0) << Readable(*line);
            EXPECT_LE(active, threads) << Readable(*line);
            lastHandedOut = handedOut;
        }
    }
};

TEST_F(ProgressTest, TenUrlsOnThreeThreads) {
    // Reports 250, 450, 650, ... ms after the first tick, one per period.
    const auto urls = SlowUrls({250, 450, 650, 450, 450, 450, 450, 450, 450, 450}, "ten");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(3));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    const auto lines = RecordBatch();
    ASSERT_NO_FATAL_FAILURE(ExpectWellFormed(lines, 10, 3));
    // On an idle machine every report and every tick shows a line of its own; a busy one may
    // merge later ones, so only the first ones are held to their exact order.
    EXPECT_TRUE(InOrder(
        lines, {kRunning, Progress(3, 10, 3), Progress(3, 10, 2), Progress(4, 10, 3), kFinished}))
        << Listing(lines);
    const bool allHandedOut = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        const std::vector<int> numbers = NumbersIn(line);
        return numbers.size() == 3 && numbers[0] == 10;
    });
    EXPECT_TRUE(allHandedOut) << "the last URLs were never shown handed out\n" << Listing(lines);
    ExpectButtonStates({{kCaptionStop, true}, {kCaptionStart, true}});
    ExpectEndState();

    std::vector<std::string> paths = RequestedPaths("/slow/"), expectedPaths = PathsOf(urls);
    std::sort(paths.begin(), paths.end());
    std::sort(expectedPaths.begin(), expectedPaths.end());
    EXPECT_EQ(expectedPaths, paths) << "every URL is fetched once";
}

TEST_F(ProgressTest, TwoUrlsOnFiveThreads) {
    const auto urls = SlowUrls({250, 450}, "two");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(5));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    const auto lines = RecordBatch();
    // Later ticks rewrite the line unchanged until the second report ends the batch.
    const std::vector<std::string> expected = {kRunning, Progress(2, 2, 2), Progress(2, 2, 1),
                                               kFinished};
    EXPECT_EQ(expected, FromRun(lines)) << Listing(lines);
    ExpectButtonStates({{kCaptionStop, true}, {kCaptionStart, true}});
    ExpectEndState();
}

TEST_F(ProgressTest, ThreeUrlsOnOneThreadAndASecondRunFromTheFirstUrl) {
    const auto urls = SlowUrls({250, 250, 250}, "one");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(1));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    // A report that leaves no worker alive keeps the batch going: the next tick goes on.
    const std::vector<std::string> expected = {
        kRunning,          Progress(1, 3, 1), Progress(1, 3, 0), Progress(2, 3, 1),
        Progress(2, 3, 0), Progress(3, 3, 1), kFinished};
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const auto lines = RecordBatch();
        EXPECT_EQ(expected, FromRun(lines)) << Listing(lines);
        ExpectEndState();
    }
    // One worker at a time: the requests came in list order, twice over.
    const std::vector<std::string> once = PathsOf(urls);
    std::vector<std::string> expectedPaths = once;
    expectedPaths.insert(expectedPaths.end(), once.begin(), once.end());
    EXPECT_EQ(expectedPaths, RequestedPaths("/slow/"));
}

}  // namespace
}  // namespace batch
