#include "net/request_threads.h"

#include <windows.h>
#include <process.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "afx/handles.h"

namespace net {
namespace {

// Never destroyed: threads left behind use it until the process ends, after static destructors
// have run.
struct Pool {
    HANDLE slots = ::CreateSemaphoreA(nullptr, kMaxRequestThreads, kMaxRequestThreads, nullptr);
    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    int idle = 0;  // threads waiting for a job, less the jobs queued for them
    std::atomic<long> live{0};
};

Pool& ThePool() {
    static Pool* const pool = new Pool;
    return *pool;
}

unsigned __stdcall RequestThreadMain(void* param) {
    Pool& pool = ThePool();
    {
        std::unique_ptr<std::function<void()>> first(static_cast<std::function<void()>*>(param));
        if (*first) (*first)();
    }
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(pool.lock);
            ++pool.idle;
            if (!pool.wake.wait_for(lock, std::chrono::milliseconds(kIdleThreadMs),
                                    [&] { return !pool.jobs.empty(); })) {
                --pool.idle;
                break;
            }
            job = std::move(pool.jobs.front());
            pool.jobs.pop_front();
        }
        job();  // what it holds is released before the thread waits again
    }
    --pool.live;
    ::ReleaseSemaphore(pool.slots, 1, nullptr);
    return 0;
}

// Takes a slot that is already had; gives it back when no thread can be started.
bool StartThread(Pool& pool, std::function<void()> job) {
    auto first = std::make_unique<std::function<void()>>(std::move(job));
    ++pool.live;
    afx::UniqueKernelHandle thread(reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, kRequestStackBytes, &RequestThreadMain, first.get(),
                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)));
    if (!thread) {
        --pool.live;
        ::ReleaseSemaphore(pool.slots, 1, nullptr);
        return false;
    }
    first.release();  // the thread's now
    return true;
}

bool HandToIdleThread(Pool& pool, std::function<void()>& job) {
    std::lock_guard<std::mutex> lock(pool.lock);
    if (pool.idle == 0) return false;
    --pool.idle;
    pool.jobs.push_back(std::move(job));
    pool.wake.notify_one();
    return true;
}

}  // namespace

unsigned long MsUntil(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    // Rounded up, so that a wait never ends just short of its time and spins.
    return left.count() > 0 ? static_cast<unsigned long>(left.count()) + 1 : 0;
}

bool RunOnRequestThread(std::function<void()> job, Clock::time_point deadline) {
    Pool& pool = ThePool();
    if (!pool.slots) return false;
    for (;;) {
        if (HandToIdleThread(pool, job)) return true;
        // Every slot taken: a thread may go idle or end meanwhile, so look again now and then.
        DWORD wait = MsUntil(deadline);
        if (wait > 100) wait = 100;
        if (::WaitForSingleObject(pool.slots, wait) == WAIT_OBJECT_0)
            return StartThread(pool, std::move(job));
        if (wait < 100) return false;
    }
}

void WarmRequestThreads(int count) {
    Pool& pool = ThePool();
    if (!pool.slots) return;
    int missing;
    {
        std::lock_guard<std::mutex> lock(pool.lock);
        missing = count - pool.idle;
    }
    for (int i = 0; i < missing; ++i) {
        if (::WaitForSingleObject(pool.slots, 0) != WAIT_OBJECT_0) return;
        if (!StartThread(pool, nullptr)) return;
    }
}

long LiveRequestThreads() {
    return ThePool().live.load();
}

}  // namespace net
