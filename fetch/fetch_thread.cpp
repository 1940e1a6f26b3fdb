#include "fetch/fetch_thread.h"

#include <new>

#include "afx/path_calls.h"
#include "afx/whole_file.h"
#include "fetch/batch_names.h"
#include "fetch/output_name.h"
#include "fetch/worker_registry.h"
#include "net/session.h"

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
    WPARAM index = 0;
    LPARAM outcome = -1;
    try {
        if (OpenSession()) {
            index = static_cast<WPARAM>(job->nIndex);
            outcome = 0;
            SaveUrl(*job);
        }
    } catch (const std::bad_alloc&) {
        // The page is lost, not the process: the writers replace a file only with whole
        // content, so nothing half-written is left, and the job still reports below.
        CloseAll();
    }
    PostJobReport(job->hNotify, index, outcome);
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

void CFetchThread::SaveUrl(const tagJob& job) {
    // Before its own page, the batch's first worker clears the folder of what writers of a
    // killed process left; the others need not wait for it.
    if (TheBatchNames().ClaimFolder())
        afx::RemoveAbandonedTemporaryFiles(afx::WidePath(job.outDir));
    if (job.fileType == 1)
        SaveAsText(job.url, job.outDir + OutputFileName(job.url));
    else if (job.fileType == 2)
        SaveAsMht(job.url, job.outDir + OutputFileName(job.url, ".mht"));
}

// The connection and request of a page belong to its request thread (net/http_get.h): the
// worker holds only its share of the session.
void CFetchThread::CloseAll() {
    m_pPageLease.reset();
    m_pSession.reset();
}
