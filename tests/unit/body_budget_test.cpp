#include "net/body_budget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using net::BodyBudget;
using net::BodyLease;
using net::BodyRoom;
using net::Clock;
using std::chrono::milliseconds;

Clock::time_point In(int ms) {
    return Clock::now() + milliseconds(ms);
}

TEST(BodyBudgetTest, AShareThatDoesNotFitWaitsForMemoryGivenBack) {
    BodyBudget budget(100);
    BodyLease first(budget), second(budget), third(budget);
    ASSERT_TRUE(first.Take(80, In(0)));
    // The only one waiting may go over the budget: its work goes on, and so does everyone's.
    ASSERT_TRUE(second.Take(50, In(0)));
    EXPECT_EQ(130u, budget.InUse());
    // One overdraft at a time: the third waits, and fails at its deadline with nothing taken.
    EXPECT_FALSE(third.Take(10, In(100)));
    EXPECT_EQ(0u, third.Held());

    std::thread giver([&] {
        std::this_thread::sleep_for(milliseconds(200));
        first.Give(80);
    });
    const auto started = Clock::now();
    EXPECT_TRUE(third.Take(40, In(10000)));
    EXPECT_GE(Clock::now() - started, milliseconds(150)) << "it did not wait";
    giver.join();
    EXPECT_EQ(90u, budget.InUse());
}

// The fetches of one archive share a lease: one of them giving up must not take the others'
// places in the queue.
TEST(BodyBudgetTest, WaitsOnOneLeaseAreEachTheirOwn) {
    BodyBudget budget(100);
    BodyLease holder(budget), overdraft(budget), shared(budget);
    ASSERT_TRUE(holder.Take(100, In(0)));
    ASSERT_TRUE(overdraft.Take(1, In(0)));
    bool patient = false;
    std::thread waiter([&] { patient = shared.Take(50, In(10000)); });
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_FALSE(shared.Take(50, In(100)));  // gives up while the other still waits
    holder.Give(100);
    waiter.join();
    EXPECT_TRUE(patient);
    EXPECT_EQ(50u, shared.Held());
}

TEST(BodyBudgetTest, TheOverdraftEndsWhenItsLeaseHoldsNothing) {
    BodyBudget budget(100);
    BodyLease holder(budget);
    ASSERT_TRUE(holder.Take(100, In(0)));
    {
        BodyLease over(budget);
        ASSERT_TRUE(over.Take(30, In(0)));
        ASSERT_TRUE(over.Take(30, In(0))) << "the overdraft's own next piece never waits";
    }  // gives back all
    EXPECT_EQ(100u, budget.InUse());
    BodyLease next(budget);
    EXPECT_TRUE(next.Take(30, In(0))) << "the overdraft is free again";
}

// Twenty pages that each take their body piece by piece, far more than the budget together:
// every one gets through (none waits for ever on the others' halves), and the budget is never
// exceeded by more than one page.
TEST(BodyBudgetTest, PagesTakingPiecesAtOnceAllGetThrough) {
    constexpr size_t kLimit = 64, kPage = 16;
    BodyBudget budget(kLimit);
    std::atomic<size_t> highest{0};
    std::atomic<int> through{0};
    std::vector<std::thread> pages;
    for (int i = 0; i < 20; ++i) {
        pages.emplace_back([&, i] {
            for (int round = 0; round < 20; ++round) {
                BodyLease lease(budget);
                bool ok = true;
                for (size_t taken = 0; ok && taken < kPage; ++taken) {
                    ok = lease.Take(1, In(20000));
                    size_t now = budget.InUse();
                    for (size_t seen = highest;
                         now > seen && !highest.compare_exchange_weak(seen, now);) {
                    }
                    if ((i + taken) % 5 == 0) std::this_thread::yield();
                }
                if (ok) ++through;
            }
        });
    }
    for (std::thread& page : pages) page.join();
    EXPECT_EQ(400, through.load());
    EXPECT_LE(highest.load(), kLimit + kPage);
    EXPECT_EQ(0u, budget.InUse());
}

TEST(BodyBudgetTest, ARoomIsChargedBeforeTheBodyGrows) {
    BodyBudget budget(1000);
    BodyLease lease(budget);
    BodyRoom room(lease);
    std::string body;
    ASSERT_TRUE(room.Reserve(body, 300, 1000, In(0)));
    EXPECT_GE(body.capacity(), 300u);
    EXPECT_EQ(room.Charged(), lease.Held());
    const size_t charged = room.Charged();
    ASSERT_TRUE(room.Reserve(body, 300, 1000, In(0)));
    EXPECT_EQ(charged, room.Charged()) << "room already there costs nothing";
    // Growing keeps the bytes; the body never holds more memory than is charged for it, nor is
    // more charged than the body's cap.
    body.assign(300, 'x');
    for (size_t size : {301u, 700u, 1000u}) {
        ASSERT_TRUE(room.Reserve(body, size, 1000, In(0)));
        EXPECT_GE(body.capacity(), size);
        EXPECT_LE(body.capacity(), room.Charged()) << "grown past its charge";
        EXPECT_LE(room.Charged(), 1000u) << "charged past the cap";
    }
    EXPECT_EQ(std::string(300, 'x'), body);

    BodyLease other(budget);
    ASSERT_TRUE(other.Take(1, In(0)));  // takes the overdraft: the room must now wait
    EXPECT_FALSE(room.Reserve(body, 1001, 2000, In(0)))
        << "over the budget, and its deadline passed";
    room.GiveBack();
    EXPECT_EQ(0u, lease.Held());
    EXPECT_EQ(1u, budget.InUse());
}

}  // namespace
