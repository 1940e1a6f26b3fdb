// The scheduler tick: how many workers it starts, and what a failed thread creation costs.
#include <gtest/gtest.h>

#include <vector>

#include "run/launch_tick.h"

namespace {

// A launcher that records the URLs it was asked for and fails those listed.
struct FakeLauncher {
    std::vector<int> asked;
    std::vector<int> failing;

    LaunchFn Fn() {
        return [this](int index) {
            asked.push_back(index);
            for (int f : failing)
                if (f == index) return false;
            return true;
        };
    }
};

TEST(LaunchTickTest, FillsFreeThreadsInOrderUpToTheEndOfTheList) {
    FakeLauncher launcher;
    EXPECT_EQ(5, LaunchTick(2, 10, 1, 4, launcher.Fn()));  // 3 free threads
    EXPECT_EQ((std::vector<int>{2, 3, 4}), launcher.asked);

    launcher.asked.clear();
    EXPECT_EQ(10, LaunchTick(8, 10, 0, 20, launcher.Fn()));
    EXPECT_EQ((std::vector<int>{8, 9}), launcher.asked);

    launcher.asked.clear();
    EXPECT_EQ(4, LaunchTick(4, 10, 4, 4, launcher.Fn())) << "no thread free";
    EXPECT_EQ(10, LaunchTick(10, 10, 0, 4, launcher.Fn())) << "nothing left to hand out";
    EXPECT_TRUE(launcher.asked.empty());
}

TEST(LaunchTickTest, FailedLaunchSkipsItsUrlAndEndsTheTick) {
    FakeLauncher launcher;
    launcher.failing = {3};
    EXPECT_EQ(4, LaunchTick(0, 10, 0, 8, launcher.Fn()));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), launcher.asked);

    // The next tick goes on after the skipped URL, with the three started ones alive.
    launcher.asked.clear();
    EXPECT_EQ(9, LaunchTick(4, 10, 3, 8, launcher.Fn()));
    EXPECT_EQ((std::vector<int>{4, 5, 6, 7, 8}), launcher.asked);

    // A failure on the first launch of a tick costs that one URL only.
    launcher.asked.clear();
    launcher.failing = {9};
    EXPECT_EQ(10, LaunchTick(9, 10, 0, 8, launcher.Fn()));
    EXPECT_EQ((std::vector<int>{9}), launcher.asked);
}

}  // namespace
