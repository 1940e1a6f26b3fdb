#include "app/fetch_app.h"

#include "app/main_dialog.h"
#include "fetch/shared_state.h"

CFetchApp theApp;

CCore* g_core = nullptr;
CString g_outDir;
int g_fileType = 0;

BOOL CFetchApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControls();
    CMainDialog dialog;
    dialog.DoModal();
    return FALSE;
}
