#include "fetch/worker_registry.h"

#include <windows.h>

#include "net/fetch_limits.h"

namespace {

// The count and the event change together under the lock, so the event is signalled exactly
// while no worker is alive.
struct Registry {
    Registry() : noWorkers(::CreateEventA(nullptr, TRUE, TRUE, nullptr)) {
        ::InitializeCriticalSection(&lock);
    }
    CRITICAL_SECTION lock;
    int live = 0;
    HANDLE noWorkers;  // lives as long as the process
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

void WorkerStarting() {
    Registry& r = TheRegistry();
    ::EnterCriticalSection(&r.lock);
    if (r.live++ == 0) ::ResetEvent(r.noWorkers);
    ::LeaveCriticalSection(&r.lock);
}

void WorkerFinished() {
    Registry& r = TheRegistry();
    ::EnterCriticalSection(&r.lock);
    if (--r.live == 0) ::SetEvent(r.noWorkers);
    ::LeaveCriticalSection(&r.lock);
}

bool WaitForLiveWorkers() {
    Registry& r = TheRegistry();
    if (!r.noWorkers) return false;
    return ::WaitForSingleObject(r.noWorkers, kWorkerBoundMs + kWorkerBoundMarginMs) ==
           WAIT_OBJECT_0;
}
