// A process-wide budget for the page bodies the workers hold, so that twenty workers at the
// limits of a page (16 MB) wait for each other's memory instead of running a 32-bit address
// space dry. A page's work takes its share piece by piece and gives it back once what was made
// of the body is written; a share that does not fit waits, within the page's deadline.
//
// Waiting never stalls everyone: waiters are served oldest first, and the oldest may go over
// the budget when the rest is held by others (an overdraft, for one lease at a time). So the
// pages that hold parts of their bodies cannot all wait for each other: one of them always goes
// on, and gives its share back when it is done.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

namespace net {

using Clock = std::chrono::steady_clock;

class BodyLease;

class BodyBudget {
public:
    explicit BodyBudget(size_t limit) : m_limit(limit) {}
    BodyBudget(const BodyBudget&) = delete;
    BodyBudget& operator=(const BodyBudget&) = delete;

    size_t Limit() const { return m_limit; }
    // Bytes held by all leases now.
    size_t InUse();

private:
    friend class BodyLease;

    std::mutex m_lock;
    std::condition_variable m_changed;
    const size_t m_limit;
    size_t m_inUse = 0;
    uint64_t m_nextTicket = 0;
    // Tickets of the leases waiting, oldest first; once per waiting call, since the fetches of one
    // archive share a lease and may wait at once.
    std::multiset<uint64_t> m_waiting;
    const BodyLease* m_overdraft = nullptr;  // the one lease allowed over the limit
};

// The process's budget: a quarter of the address space a process has (1 GB for a
// large-address-aware 32-bit program on 64-bit Windows and Wine, 512 MB on 32-bit Windows); the
// rest is left to what the budget does not count (archive texts, request threads, the
// libraries) and to the heap's fragmentation.
BodyBudget& ProcessBodyBudget();

// One page's share of a budget; thread-safe, so that the fetches of one archive share it.
class BodyLease {
public:
    explicit BodyLease(BodyBudget& budget = ProcessBodyBudget());
    ~BodyLease();  // gives back all it holds
    BodyLease(const BodyLease&) = delete;
    BodyLease& operator=(const BodyLease&) = delete;

    // Takes `bytes` more, waiting for other leases to give back enough. False, with nothing
    // taken, when `deadline` passes first.
    bool Take(size_t bytes, Clock::time_point deadline);
    // Gives back `bytes` (at most all it holds).
    void Give(size_t bytes);
    size_t Held();

private:
    void GiveLocked(size_t bytes);

    BodyBudget& m_budget;
    uint64_t m_ticket;
    size_t m_held = 0;
};

// The room of one body being read, charged to a lease before it is allocated. What it charged
// stays with the body when the read succeeds; GiveBack returns it when the body is dropped.
class BodyRoom {
public:
    explicit BodyRoom(BodyLease& lease) : m_lease(lease) {}

    // Makes room in `body` for `size` bytes; growing to at most `ceiling` (a body's cap) ahead
    // of need, as strings grow. False when the lease cannot take it before `deadline`.
    bool Reserve(std::string& body, size_t size, size_t ceiling, Clock::time_point deadline);
    void GiveBack();
    size_t Charged() const { return m_charged; }

private:
    BodyLease& m_lease;
    size_t m_charged = 0;
};

}  // namespace net
