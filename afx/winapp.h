// CWinApp: the one application object. The process start (WinMain, afx/winmain.cpp) runs its
// InitInstance; a FALSE result ends the process without a message loop of its own.
#pragma once

#include <windows.h>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    HICON LoadIcon(UINT id) const { return ::LoadIconA(m_hInstance, MAKEINTRESOURCEA(id)); }

    HINSTANCE m_hInstance = nullptr;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();

// Kept for the start-up sequence: ActiveX hosting and 3-D controls need no set-up here; the
// controls take the system's visual style from the manifest.
inline void AfxEnableControlContainer() {}
inline BOOL Enable3dControls() {
    return TRUE;
}
