#include "fetch/batch_names.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
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

// Names Windows takes for one file are one name, whatever the script; this file's literals are
// GBK, as the program's names are.
TEST(BatchNamesTest, NamesAreOneWhenWindowsTakesThemForOneFile) {
    const struct {
        const char* first;
        const char* later;
        bool oneName;
    } cases[] = {
        {"D:\\out\\Page.TXT", "D:\\out\\page.txt", true},
        {"D:\\out\\ПРИВЕТ.txt", "D:\\out\\привет.txt", true},
        {"D:\\out\\Ёлка.txt", "D:\\out\\ёЛКА.txt", true},
        {"D:\\out\\ＦＯＬＤ.txt", "D:\\out\\ｆｏｌｄ.txt", true},
        {"D:\\out\\ΑΒΓ.txt", "D:\\out\\αβγ.txt", true},
        {"D:\\out\\Ⅹ.txt", "D:\\out\\ⅹ.txt", true},
        {"D:\\out\\中文Ｚ.txt", "D:/elsewhere/中文ｚ.txt", true},  // the folder is the batch's
        {"D:\\out\\ǎ.txt", "D:\\out\\a.txt", false},               // another letter, not a case
        {"D:\\out\\Ａ.txt", "D:\\out\\A.txt", false},  // full width is not folded to ASCII
        {"D:\\out\\ё.txt", "D:\\out\\е.txt", false},
        // Two GBK characters whose trail bytes are "A" and "a": not letters of any case.
        {"D:\\out\\\x81\x41.txt", "D:\\out\\\x81\x61.txt", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.later);
        CBatchNames names;
        int removals = 0;
        EXPECT_TRUE(names.Claim(c.first, [&] { ++removals; }));
        EXPECT_EQ(!c.oneName, names.Claim(c.later, [&] { ++removals; }));
        EXPECT_EQ(c.oneName ? 1 : 2, removals);
    }
}

// While the first worker of one name removes its older file, workers of other names go on.
TEST(BatchNamesTest, AWorkerOfAnotherNameDoesNotWaitForARemoval) {
    CBatchNames names;
    std::promise<void> removing, otherDone;
    std::future<void> otherDoneSeen = otherDone.get_future();
    std::thread slow([&] {
        names.Claim("D:\\out\\slow.txt", [&] {
            removing.set_value();
            otherDoneSeen.wait_for(std::chrono::seconds(5));  // a wait here fails below
        });
    });
    removing.get_future().wait();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(names.Claim("D:\\out\\other.txt", [] {}));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    otherDone.set_value();
    slow.join();
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
