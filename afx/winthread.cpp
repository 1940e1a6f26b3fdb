#include "afx/winthread.h"

#include <process.h>

BOOL CWinThread::CreateThread(DWORD createFlags, UINT stackSize, LPSECURITY_ATTRIBUTES security) {
    unsigned id = 0;
    // Created suspended so that the handle is stored before the thread can delete the object.
    uintptr_t handle =
        _beginthreadex(security, stackSize, &CWinThread::ThreadEntry, this, CREATE_SUSPENDED, &id);
    if (handle == 0) return FALSE;
    m_hThread.reset(reinterpret_cast<HANDLE>(handle));
    if (!(createFlags & CREATE_SUSPENDED) &&
        ::ResumeThread(m_hThread.get()) == static_cast<DWORD>(-1)) {
        // A thread that cannot be resumed never runs, so the object stays the caller's: it is
        // ended (freeing its stack) and the call fails like a thread that was never created.
        ::TerminateThread(m_hThread.get(), 0);
        m_hThread.reset();
        return FALSE;
    }
    return TRUE;
}

unsigned __stdcall CWinThread::ThreadEntry(void* param) {
    CWinThread* self = static_cast<CWinThread*>(param);
    UINT exitCode = self->m_pfnThreadProc(self->m_pThreadParams);
    if (self->m_bAutoDelete) delete self;
    return exitCode;
}
