#include "fetch/job_report.h"

namespace {

// A queue that stays full this long (10,000 messages on Windows) has a UI thread that is not
// reading it; the worker then counts its report as lost and ends.
constexpr int kPostAttempts = 40;
constexpr DWORD kPostRetryMs = 50;

LONG g_lostReports = 0;

}  // namespace

bool PostJobReport(HWND dialog, WPARAM wParam, LPARAM lParam) {
    for (int attempt = 0; attempt < kPostAttempts; ++attempt) {
        if (::PostMessageA(dialog, WM_JOB_DONE, wParam, lParam)) return true;
        if (!::IsWindow(dialog)) break;  // the dialog is gone: waiting cannot help
        ::Sleep(kPostRetryMs);
    }
    ::InterlockedIncrement(&g_lostReports);
    return false;
}

int TakeLostReports() {
    return static_cast<int>(::InterlockedExchange(&g_lostReports, 0));
}
