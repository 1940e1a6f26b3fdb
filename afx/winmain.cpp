// Process start of the application: common controls and COM for the UI thread, then the
// application object's InitInstance.
#include <windows.h>
#include <commctrl.h>

#include "afx/handles.h"
#include "afx/winapp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app) return 1;
    app->m_hInstance = instance;

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    // The shell's folder browser and the file chooser expect an apartment on this thread.
    afx::UniqueComApartment apartment = afx::EnterComApartment();
    return app->InitInstance() ? 0 : app->ExitInstance();
}
