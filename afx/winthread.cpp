#include "afx/winthread.h"

#include <process.h>

BOOL CWinThread::CreateThread(DWORD createFlags, UINT stackSize, LPSECURITY_ATTRIBUTES security) {
    unsigned id = 0;
    // Created suspended so that the handle is stored before the thread can delete the object.
    uintptr_t handle =
        _beginthreadex(security, stackSize, &CWinThread::ThreadEntry, this, CREATE_SUSPENDED, &id);
    if (handle == 0) return FALSE;
    m_hThread.reset(reinterpret_cast<HANDLE>(handle));
    if (!(createFlags & CREATE_SUSPENDED)) ::ResumeThread(reinterpret_cast<HANDLE>(handle));
    return TRUE;
}

unsigned __stdcall CWinThread::ThreadEntry(void* param) {
    CWinThread* self = static_cast<CWinThread*>(param);
    UINT exitCode = self->m_pfnThreadProc(self->m_pThreadParams);
    if (self->m_bAutoDelete) delete self;
    return exitCode;
}
