// Run and Stop, the scheduler tick that starts workers, and the accounting of their reports.
#include <memory>
#include <new>

#include "app/main_dialog.h"
#include "app/texts.h"
#include "core/ccore.h"
#include "fetch/batch_names.h"
#include "fetch/fetch_thread.h"
#include "fetch/job_report.h"
#include "fetch/shared_state.h"
#include "fetch/worker_registry.h"
#include "run/launch_tick.h"
#include "urls/url_table.h"

void CMainDialog::OnRun() {
    if (!m_bRunning)
        StartBatch();
    else
        StopBatch();
}

void CMainDialog::StartBatch() {
    if (m_nTotal == 0) {
        g_core->msgboxWarning(m_hWnd, texts::kImportNoUrls);
        return;
    }
    if (!ReadForm(TRUE)) return;
    // The folder was checked to exist, so empty text means the library ran out of memory.
    CString outDir = g_core->parsePath(g_outDir);
    if (outDir.IsEmpty()) {
        ::MessageBeep(MB_ICONHAND);
        return;
    }
    g_outDir = outDir;
    // Without its timer no worker would start and the batch would never end: it does not begin.
    if (!SetTimer(IDT_SCHEDULE, kSchedulePeriodMs)) {
        ::MessageBeep(MB_ICONHAND);
        return;
    }
    TheBatchNames().NewBatch();  // no worker is alive: the last batch ended
    m_nNext = 0;
    m_nShown = 0;
    m_nActive = 0;
    m_bRunning = TRUE;
    SetDlgItemText(IDC_RUN, texts::kButtonStop);
    SetStatus(texts::kRunning);
}

void CMainDialog::StopBatch() {
    // The timer ticks on until the batch ends, handing out nothing: it counts the reports
    // that could not be delivered.
    m_bRunning = FALSE;
    SetDlgItemText(IDC_RUN, texts::kButtonStopping);
    GetDlgItem(IDC_RUN).EnableWindow(FALSE);
    // With no worker alive no report will come to end the batch.
    if (m_nActive == 0) EndBatch();
}

void CMainDialog::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == IDT_SCHEDULE) ScheduleWorkers();
    Default();
}

void CMainDialog::ScheduleWorkers() {
    if (const int lost = TakeLostReports()) CountReports(lost);
    if (!m_bRunning) return;
    m_nNext = LaunchTick(m_nNext, m_nTotal, m_nActive, m_nThreads,
                         [this](int index) { return LaunchWorker(index) == TRUE; });
    // Every URL handed out and none alive: only failed launches can leave it so, and no
    // report will come to end the batch.
    if (m_nActive == 0 && m_nNext == m_nTotal) {
        EndBatch();
        return;
    }
    ShowProgress(m_nNext);
}

BOOL CMainDialog::LaunchWorker(int index) {
    std::unique_ptr<tagJob> job;
    std::unique_ptr<CFetchThread> thread;
    try {
        job = std::make_unique<tagJob>();
        job->hNotify = m_hWnd;
        job->nIndex = index;
        job->url = UrlSlot(index);
        job->outDir = g_outDir;
        job->fileType = g_fileType;
        thread = std::make_unique<CFetchThread>(&CFetchThread::FetchThreadProc, job.get());
    } catch (const std::bad_alloc&) {
        return FALSE;  // as short of resources as a thread that cannot be created
    }
    WorkerStarting();
    if (!thread->CreateThread(0, 0, nullptr)) {
        WorkerFinished();
        return FALSE;  // the job and the thread object go with their owners here
    }
    // From here the running thread owns both: it deletes the job, and itself when done.
    job.release();
    thread.release();
    ++m_nActive;
    return TRUE;
}

LRESULT CMainDialog::OnJobDone(WPARAM, LPARAM) {
    CountReports(1);
    return 0;
}

// Reports delivered and reports lost are counted alike: each is a worker that is over.
void CMainDialog::CountReports(int count) {
    if (m_nActive <= 0) return;  // every report answers one launch of this batch
    m_nActive = count < m_nActive ? m_nActive - count : 0;
    if (m_nActive == 0 && (m_nNext == m_nTotal || !m_bRunning)) {
        EndBatch();
        return;
    }
    if (m_nNext > m_nShown) m_nShown = m_nNext;
    ShowProgress(m_nShown);
}

void CMainDialog::EndBatch() {
    m_bRunning = FALSE;
    KillTimer(IDT_SCHEDULE);
    SetDlgItemText(IDC_RUN, texts::kButtonStart);
    GetDlgItem(IDC_RUN).EnableWindow(TRUE);
    SetStatus(texts::kFinished);
}

void CMainDialog::ShowProgress(int nHandedOut) {
    CString text;
    text.Format(texts::kProgress, nHandedOut, m_nTotal, m_nActive);
    SetStatus(text);
}
