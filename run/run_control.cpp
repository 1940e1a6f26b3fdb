// Run and Stop, the scheduler tick that starts workers, and the accounting of their reports.
#include <memory>

#include "app/main_dialog.h"
#include "app/shared_state.h"
#include "app/texts.h"
#include "core/ccore.h"
#include "fetch/fetch_thread.h"
#include "fetch/worker_registry.h"

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
    g_outDir = g_core->parsePath(g_outDir);
    m_nNext = 0;
    m_nShown = 0;
    m_nActive = 0;
    SetTimer(IDT_SCHEDULE, kSchedulePeriodMs);
    m_bRunning = TRUE;
    SetDlgItemText(IDC_RUN, texts::kButtonStop);
    SetStatus(texts::kRunning);
}

void CMainDialog::StopBatch() {
    KillTimer(IDT_SCHEDULE);
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
    if (!m_bRunning) return;
    while (m_nNext < m_nTotal && m_nActive < m_nThreads) {
        LaunchWorker();
        ++m_nNext;  // a URL whose thread could not be started is skipped
    }
    // Every URL handed out and none alive: only failed launches can leave it so, and no
    // report will come to end the batch.
    if (m_nActive == 0 && m_nNext == m_nTotal) {
        EndBatch();
        return;
    }
    ShowProgress(m_nNext);
}

BOOL CMainDialog::LaunchWorker() {
    auto job = std::make_unique<tagJob>();
    job->hNotify = m_hWnd;
    job->nIndex = m_nNext;
    auto thread = std::make_unique<CFetchThread>(&CFetchThread::FetchThreadProc, job.get());
    WorkerStarting();
    if (!thread->CreateThread(0, 0, nullptr)) {
        WorkerFinished();
        return FALSE;  // the job and the thread object go with their owners here
    }
    // From here the running thread owns both: it deletes the job, and itself when done.
    job.release();
    thread.release();
    ::InterlockedIncrement(&m_nActive);
    return TRUE;
}

LRESULT CMainDialog::OnJobDone(WPARAM, LPARAM) {
    if (m_nActive <= 0) return 0;  // every report answers one launch of this batch
    ::InterlockedDecrement(&m_nActive);
    if (m_nActive == 0 && (m_nNext == m_nTotal || !m_bRunning)) {
        EndBatch();
        return 0;
    }
    if (m_nNext > m_nShown) m_nShown = m_nNext;
    ShowProgress(m_nShown);
    return 0;
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
    text.Format(texts::kProgress, nHandedOut, m_nTotal, static_cast<int>(m_nActive));
    SetStatus(text);
}
