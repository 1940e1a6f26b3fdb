#include "fetch/fetch_thread.h"

#include "app/shared_state.h"
#include "fetch/output_name.h"
#include "fetch/worker_registry.h"
#include "net/session.h"
#include "urls/url_table.h"

CFetchThread::CFetchThread(AFX_THREADPROC proc, tagJob* job) : CWinThread(proc, job) {
    job->pThread = this;
}

CFetchThread::~CFetchThread() = default;

UINT CFetchThread::FetchThreadProc(LPVOID param) {
    std::unique_ptr<tagJob> job(static_cast<tagJob*>(param));
    job->pThread->RunJob(job.get());
    job.reset();
    WorkerFinished();  // from here on nothing shared is touched
    return 0;
}

void CFetchThread::RunJob(tagJob* job) {
    m_hNotify = job->hNotify;
    if (!OpenSession()) {
        ::PostMessageA(m_hNotify, WM_JOB_DONE, 0, static_cast<LPARAM>(-1));
        return;
    }
    m_nIndex = job->nIndex;
    SaveUrl();
    ::PostMessageA(m_hNotify, WM_JOB_DONE, static_cast<WPARAM>(m_nIndex), 0);
}

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
