// The process's body budget, sized from the address space the process has.
#include <windows.h>

#include "net/body_budget.h"

namespace net {
namespace {

size_t BudgetForThisProcess() {
    constexpr ULONGLONG kFallback = 512ull << 20;  // what 32-bit Windows gives, halved
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    const ULONGLONG space =
        ::GlobalMemoryStatusEx(&status) ? status.ullTotalVirtual : 2 * kFallback;
    // A quarter of it, at most 1 GB: the 64-bit build sees terabytes, but 1 GB already holds
    // twenty 16 MB pages with their archives' resources, and keeps both builds' peak alike.
    return static_cast<size_t>(std::min<ULONGLONG>(space / 4, 1ull << 30));
}

}  // namespace

// Never destroyed: request threads left behind may still give back their share while the
// process ends.
BodyBudget& ProcessBodyBudget() {
    static BodyBudget* const budget = new BodyBudget(BudgetForThisProcess());
    return *budget;
}

}  // namespace net
