// A worker's one report to the dialog that started it, and the reports that could not be
// delivered, so that every started worker is counted once whatever happens to its message.
#pragma once

#include <windows.h>

// Posted once by every started worker to the dialog when its job is over, also when it ran
// out of memory or could not open its session. The dialog counts it and reads neither
// parameter. A dialog's own procedure never sees it (the dialog handles it), so the number it
// shares with DM_REPOSITION moves nothing.
constexpr UINT WM_JOB_DONE = WM_USER + 2;

// Worker thread: posts WM_JOB_DONE to `dialog`. A full message queue is waited out for a
// while; a report that still cannot be posted is counted as lost instead. True when posted.
bool PostJobReport(HWND dialog, WPARAM wParam, LPARAM lParam);

// UI thread: the number of reports lost since the last call, each one a worker that is over.
int TakeLostReports();
