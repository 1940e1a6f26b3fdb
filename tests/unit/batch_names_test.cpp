#include "fetch/batch_names.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Twenty workers of one name at once: the older file is removed once, before any of them gets
// on; a new batch removes it again.
TEST(BatchNamesTest, OnlyTheFirstWorkerOfANameInABatchRemovesTheOlderFile) {
    CBatchNames names;
    std::atomic<int> removals{0};
    std::atomic<bool> removing{false};
    std::atomic<int> pastWhileRemoving{0};
    auto work = [&](const std::string& path) {
        names.Claim(path, [&] {
            removing = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ++removals;
            removing = false;
        });
        if (removing) ++pastWhileRemoving;
    };
    for (int batch = 0; batch < 2; ++batch) {
        names.NewBatch();
        std::vector<std::thread> workers;
        for (int i = 0; i < 20; ++i) workers.emplace_back(work, "D:\\out\\page.txt");
        for (std::thread& t : workers) t.join();
        work("D:\\out\\page.txt");  // a later copy of the same batch
    }
    EXPECT_EQ(2, removals.load());
    EXPECT_EQ(0, pastWhileRemoving.load());

    EXPECT_TRUE(names.Claim("D:\\out\\other.txt", [] {}));
    EXPECT_FALSE(names.Claim("D:\\out\\other.txt", [] {}));
}

TEST(BatchNamesTest, TheNameIsWhatFollowsTheLastSeparatorAtACharacterBoundary) {
    EXPECT_EQ("page.txt", FileNameOf("D:\\out\\page.txt"));
    EXPECT_EQ("page.txt", FileNameOf("Z:/tmp/out/page.txt"));
    EXPECT_EQ("page.txt", FileNameOf("page.txt"));
    // 0xCE 0x5C is one GBK character whose trail byte is a backslash.
    EXPECT_EQ(
        "a\xCE\x5C"
        "b.txt",
        FileNameOf("D:\\out\\a\xCE\x5C"
                   "b.txt"));
}

}  // namespace
