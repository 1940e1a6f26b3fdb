// The whole-file writer when several threads write one name, as the workers of a URL listed
// several times do, and the clearing of the temporary files a killed process left.
#include "afx/whole_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "afx/handles.h"
#include "afx/path_calls.h"
#include "tests/unit/temp_folder.h"

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Different for every writer and round, and of different sizes, so that a mix of two would show.
std::string Content(int writer, int round) {
    std::string text((64u << 10) + static_cast<size_t>(writer) * 4099, '\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>((i * 131 + static_cast<size_t>(writer) * 7 + round) % 251);
    return text;
}

TEST(WholeFileTest, TwentyThreadsWritingOneNameLeaveOneWholeFileEachRound) {
    TempFolder folder;
    const std::string path = folder.Path("page.txt");
    const std::wstring target = afx::WidePath(path.c_str());
    constexpr int kWriters = 20, kRounds = 40;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<HRESULT> results(kWriters, E_FAIL);
        std::vector<std::thread> writers;
        for (int i = 0; i < kWriters; ++i)
            writers.emplace_back(
                [&, i] { results[i] = afx::WriteWholeFile(target, Content(i, round), true); });
        for (std::thread& t : writers) t.join();
        for (int i = 0; i < kWriters; ++i)
            ASSERT_EQ(S_OK, results[i]) << "round " << round << ", writer " << i;
        ASSERT_EQ(std::vector<std::string>{"page.txt"}, folder.Names())
            << "round " << round << ": no temporary file is left";
        const std::string saved = Read(path);
        bool whole = false;
        for (int i = 0; i < kWriters && !whole; ++i) whole = saved == Content(i, round);
        ASSERT_TRUE(whole) << "round " << round << ": " << saved.size() << " bytes, no writer's";
    }
}

// A target that stays open without delete sharing cannot be replaced: the write gives up after
// its retries, and the file there is left whole, as it was. Let go in time, it is replaced.
TEST(WholeFileTest, ABusyTargetIsTriedAgainAndOtherwiseLeftAsItWas) {
    TempFolder folder;
    const std::string path = folder.Path("page.txt");
    const std::wstring target = afx::WidePath(path.c_str());
    ASSERT_EQ(S_OK, afx::WriteWholeFile(target, "the other's page", true));
    afx::UniqueFile reader(::CreateFileW(target.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    const auto started = std::chrono::steady_clock::now();
    const HRESULT refused = afx::WriteWholeFile(target, "mine", true);
    const auto tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
    if (SUCCEEDED(refused)) GTEST_SKIP() << "this system replaces a file that is open";
    EXPECT_GE(tookMs, 500) << "not tried again";
    EXPECT_EQ("the other's page", Read(path));
    EXPECT_EQ(std::vector<std::string>{"page.txt"}, folder.Names());

    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        reader.reset();
    });
    EXPECT_EQ(S_OK, afx::WriteWholeFile(target, "mine", true));
    closer.join();
    EXPECT_EQ("mine", Read(path));
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// Another batch clears the folder again and again while twenty threads write into it: a
// temporary file is held open until it has its name, so every write lands, whole.
TEST(WholeFileTest, ClearingNeverTakesAFileBeingWritten) {
    TempFolder folder;
    constexpr int kWriters = 20, kRounds = 10;
    std::atomic<bool> writing{true};
    std::thread clearer([&] {
        while (writing) afx::RemoveAbandonedTemporaryFiles(afx::WidePath(folder.Path("").c_str()));
    });
    std::vector<std::string> names;
    for (int i = 0; i < kWriters; ++i) names.push_back("page" + std::to_string(i) + ".txt");
    for (int round = 0; round < kRounds; ++round) {
        std::vector<HRESULT> results(kWriters, E_FAIL);
        std::vector<std::thread> writers;
        for (int i = 0; i < kWriters; ++i)
            writers.emplace_back([&, i] {
                results[i] = afx::WriteWholeFile(afx::WidePath(folder.Path(names[i]).c_str()),
                                                 Content(i, round), true);
            });
        for (std::thread& t : writers) t.join();
        for (int i = 0; i < kWriters; ++i) {
            EXPECT_EQ(S_OK, results[i]) << "round " << round << ", writer " << i;
            EXPECT_TRUE(Read(folder.Path(names[i])) == Content(i, round))
                << "round " << round << ", writer " << i;
        }
    }
    writing = false;
    clearer.join();
    EXPECT_EQ(Sorted(names), Sorted(folder.Names()));
}

}  // namespace
