// CWinThread: a thread that runs a function with one parameter and, by default, deletes its
// own object when the function returns.
#pragma once

#include <windows.h>

#include "afx/handles.h"

using AFX_THREADPROC = UINT (*)(LPVOID);

class CWinThread {
public:
    CWinThread(AFX_THREADPROC proc, LPVOID param) : m_pfnThreadProc(proc), m_pThreadParams(param) {}
    virtual ~CWinThread() = default;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread. Once it runs (and auto-delete is on) the object belongs to the thread:
    // the caller must not touch it after a successful call. After a failed one the object is
    // still the caller's and no thread runs it.
    BOOL CreateThread(DWORD createFlags = 0, UINT stackSize = 0,
                      LPSECURITY_ATTRIBUTES security = nullptr);

    afx::UniqueKernelHandle m_hThread;
    BOOL m_bAutoDelete = TRUE;

private:
    static unsigned __stdcall ThreadEntry(void* self);

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pThreadParams;
};
