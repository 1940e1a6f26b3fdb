// A worker's report: delivered once to a live dialog, or counted as lost when it cannot be.
#include "fetch/job_report.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// A window of this thread that receives posted messages, standing in for the dialog.
class ReportWindow {
public:
    ReportWindow()
        : m_hwnd(::CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                 nullptr)) {}
    ~ReportWindow() { Destroy(); }
    HWND get() const { return m_hwnd; }
    void Destroy() {
        if (m_hwnd) ::DestroyWindow(m_hwnd);
    }

private:
    HWND m_hwnd;
};

TEST(JobReport, ArrivesOnceWithItsParameters) {
    TakeLostReports();
    ReportWindow dialog;
    ASSERT_NE(nullptr, dialog.get());
    EXPECT_TRUE(PostJobReport(dialog.get(), 41, 0));

    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, dialog.get(), WM_JOB_DONE, WM_JOB_DONE, PM_REMOVE));
    EXPECT_EQ(41u, msg.wParam);
    EXPECT_EQ(0, msg.lParam);
    EXPECT_FALSE(::PeekMessageA(&msg, dialog.get(), WM_JOB_DONE, WM_JOB_DONE, PM_REMOVE));
    EXPECT_EQ(0, TakeLostReports());
}

// The report of every worker is accounted for when its dialog is gone: at once (waiting
// cannot bring the window back), once per worker however many report together, and taken
// only once.
TEST(JobReport, ReportsThatCannotBePostedAreCountedLostOnce) {
    TakeLostReports();
    ReportWindow dialog;
    const HWND gone = dialog.get();
    dialog.Destroy();

    const ULONGLONG started = ::GetTickCount64();
    std::vector<std::thread> workers;
    for (int i = 0; i < 20; ++i)
        workers.emplace_back([gone, i] { EXPECT_FALSE(PostJobReport(gone, i, 0)); });
    for (std::thread& worker : workers) worker.join();
    EXPECT_LT(::GetTickCount64() - started, 20000u);

    EXPECT_EQ(20, TakeLostReports());
    EXPECT_EQ(0, TakeLostReports());
}

}  // namespace
