// The worker thread: one URL of a batch, fetched and saved in the chosen format, then one
// WM_JOB_DONE to the dialog.
#pragma once

#include <windows.h>

#include <memory>

#include "afx/cstring.h"
#include "afx/inet.h"
#include "afx/winthread.h"
#include "fetch/job_report.h"
#include "net/body_budget.h"

class CFetchThread;

// The job handed to a worker. The scheduler makes it; the running worker owns and deletes it.
// It carries its own copies of the URL, the output folder and the format, so that the worker
// reads nothing the UI thread owns.
struct tagJob {
    HWND hNotify = nullptr;  // the dialog that receives WM_JOB_DONE
    CFetchThread* pThread = nullptr;
    int nIndex = 0;  // the URL's slot in the URL table
    CString url;
    CString outDir;  // normalised, with its trailing backslash
    int fileType = 0;
};

class CFetchThread : public CWinThread {
public:
    CFetchThread(AFX_THREADPROC proc, tagJob* job);
    ~CFetchThread() override;

    static UINT FetchThreadProc(LPVOID param);

private:
    void RunJob(tagJob* job);
    BOOL OpenSession();
    void SaveUrl(const tagJob& job);
    void CloseAll();

    // The page fetch (fetch/page_fetch.cpp): the page's text, with "(at)" already replaced.
    // Its share of the body budget stays in m_pPageLease until the text is written.
    CString FetchPage(const char* url);

    // The writers (fetch/save_text.cpp, fetch/save_mht.cpp).
    void SaveAsText(CString url, CString path);
    void SaveAsMht(CString url, CString path);

    // Shared with the request thread of the page, which may outlive this worker.
    std::shared_ptr<CInternetSession> m_pSession;
    std::shared_ptr<net::BodyLease> m_pPageLease;
};
