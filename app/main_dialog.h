// The main dialog: the form, the URL import, the run control and the progress line.
#pragma once

#include <windows.h>

#include "afx/cstring.h"
#include "afx/dialog.h"
#include "fetch/job_report.h"
#include "res/resource.h"

// The form's output folder (normalised with a trailing backslash when a batch starts) and format
// (1 = page source as ".txt", 2 = web archive as ".mht"). Only the UI thread reads and writes
// them; each worker gets its own copy in its job.
extern CString g_outDir;
extern int g_fileType;

// The scheduler's timer: starts workers while a batch runs.
constexpr UINT_PTR IDT_SCHEDULE = 1;
constexpr UINT kSchedulePeriodMs = 200;

class CMainDialog : public CDialog {
public:
    explicit CMainDialog(CWnd* parent = nullptr);

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    afx::MessageMap GetMessageMap() const override;
    BOOL OnInitDialog() override;

private:
    // Start-up, painting, About (app/main_dialog.cpp).
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnAbout();

    // Settings and form (app/settings_form.cpp); closing (app/dialog_close.cpp).
    void LoadSettings();
    BOOL ReadForm(BOOL bValidate);
    // The form's three values as they stand, read without touching g_outDir and g_fileType.
    struct FormValues {
        int threads = 0;
        CString outDir;
        int fileType = 0;
    };
    FormValues FormNow();
    void OnBrowse();
    void BrowseForFolder(UINT nEditId);
    static int CALLBACK BrowseCallbackProc(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);
    void OnDestroy();

    // URL list (urls/import.cpp).
    void OnImport();

    // The status line (app/main_dialog.cpp).
    void SetStatus(CString text);

    // Run control (run/run_control.cpp).
    void OnRun();
    void StartBatch();
    void StopBatch();
    void OnTimer(UINT_PTR nIDEvent);
    void ScheduleWorkers();
    BOOL LaunchWorker(int index);
    LRESULT OnJobDone(WPARAM wParam, LPARAM lParam);
    void CountReports(int count);
    void EndBatch();
    void ShowProgress(int nHandedOut);

    int m_nTotal = 0;
    int m_nNext = 0;
    int m_nThreads = 1;
    int m_nShown = 0;
    int m_nActive = 0;  // workers started and not yet reported; UI thread only
    BOOL m_bRunning = FALSE;
    HICON m_hIcon;
};
