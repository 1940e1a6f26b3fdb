// The worker thread: one URL of a batch, fetched and saved in the chosen format, then one
// WM_JOB_DONE to the dialog.
#pragma once

#include <windows.h>

#include <memory>

#include "afx/inet.h"
#include "afx/winthread.h"
#include "net/body_budget.h"

class CFetchThread;

// Posted once by every started worker to the dialog when it is finished, also when it ran out
// of memory (wParam: the URL index, or 0 with lParam -1 when its internet session could not be
// opened).
constexpr UINT WM_JOB_DONE = WM_USER + 2;

// The job handed to a worker. The scheduler makes it; the running worker owns and deletes it.
struct tagJob {
    HWND hNotify = nullptr;  // the dialog that receives WM_JOB_DONE
    CFetchThread* pThread = nullptr;
    int nIndex = 0;  // the URL's slot in the URL table
};

class CFetchThread : public CWinThread {
public:
    CFetchThread(AFX_THREADPROC proc, tagJob* job);
    ~CFetchThread() override;

    static UINT FetchThreadProc(LPVOID param);

private:
    void RunJob(tagJob* job);
    BOOL OpenSession();
    void SaveUrl();
    void SavePage(CString url, CString path);
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
    HWND m_hNotify = nullptr;
    int m_nIndex = 0;
};
