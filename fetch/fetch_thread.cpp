#include "fetch/fetch_thread.h"

#include <new>

#include "app/shared_state.h"
#include "fetch/output_name.h"
#include "fetch/worker_registry.h"
#include "net/session.h"
#include "urls/url_table.h"

CFetchThread::CFetchThread(AFX_THREADPROC proc, tagJob* job) : CWinThread(proc, job) {
    job->pThread = this;
}

CFetchThread::~CFetchThread() {
    CloseAll();
}

UINT CFetchThread::FetchThreadProc(LPVOID param) {
    std::unique_ptr<tagJob> job(static_cast<tagJob*>(param));
    job->pThread->RunJob(job.get());
    job.reset();
    WorkerFinished();  // from here on nothing shared is touched
    return 0;
}

void CFetchThread::RunJob(tagJob* job) {
    m_hNotify = job->hNotify;
    WPARAM index = 0;
    LPARAM outcome = -1;
    try {
        if (OpenSession()) {
            m_nIndex = job->nIndex;
            index = static_cast<WPARAM>(m_nIndex);
            outcome = 0;
            SaveUrl();
        }
    } catch (const std::bad_alloc&) {
        // The page is lost, not the process: the writers replace a file only with whole
        // content, so nothing half-written is left, and the job still reports below.
        CloseAll();
    }
    ::PostMessageA(m_hNotify, WM_JOB_DONE, index, outcome);
}

// Opened for both formats on purpose, though a web archive makes its own connections.
BOOL CFetchThread::OpenSession() {
    try {
        m_pSession = net::OpenSession();
        m_pSession->EnableStatusCallback(TRUE);
        return TRUE;
    } catch (const CInternetException&) {
        m_pSession.reset();
        return FALSE;
    }
}

void CFetchThread::SaveUrl() {
    CString url(UrlSlot(m_nIndex));
    CString path = g_outDir + OutputFileName(url);
    SavePage(url, path);
}

void CFetchThread::SavePage(CString url, CString path) {
    if (g_fileType == 1)
        SaveAsText(url, path);
    else if (g_fileType == 2)
        SaveAsMht(url, path);
}

// The connection and request of a page belong to its request thread (net/http_get.h): the
// worker holds only its share of the session.
void CFetchThread::CloseAll() {
    m_pPageLease.reset();
    m_pSession.reset();
}
