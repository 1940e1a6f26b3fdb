#include "fetch/worker_registry.h"

#include <windows.h>

#include "afx/handles.h"
#include "net/fetch_limits.h"

namespace {

// How long closing the dialog waits for live workers: a worker ends within its page's bound;
// the margin covers a loaded machine and a report waiting for room in the dialog's queue.
constexpr DWORD kCloseWaitMs = kPageDeadlineMs + 5000;

// The count and the event change together under the lock, so the event is signalled exactly
// while no worker is alive.
struct Registry {
    Registry() : noWorkers(::CreateEventA(nullptr, TRUE, TRUE, nullptr)) {
        ::InitializeCriticalSection(&lock);
    }
    CRITICAL_SECTION lock;
    int live = 0;
    afx::UniqueKernelHandle noWorkers;
};

// Never destroyed: a worker still running when the process ends may yet report.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

}  // namespace

void WorkerStarting() {
    Registry& r = TheRegistry();
    ::EnterCriticalSection(&r.lock);
    if (r.live++ == 0) ::ResetEvent(r.noWorkers.get());
    ::LeaveCriticalSection(&r.lock);
}

void WorkerFinished() {
    Registry& r = TheRegistry();
    ::EnterCriticalSection(&r.lock);
    if (--r.live == 0) ::SetEvent(r.noWorkers.get());
    ::LeaveCriticalSection(&r.lock);
}

bool WaitForLiveWorkers() {
    Registry& r = TheRegistry();
    if (!r.noWorkers) return false;
    return ::WaitForSingleObject(r.noWorkers.get(), kCloseWaitMs) == WAIT_OBJECT_0;
}
