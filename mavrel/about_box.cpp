#include "mavrel/about_box.h"

#include "mavrel/about_box_ids.h"

// The base of this module's image: the template lives in mavrel.dll, not in the program.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace mavrel {

namespace {

// The program's own icon, resource 128 of the running executable.
const WORD kProgramIconId = 128;

HICON ProgramIcon() {
    // Icons from LoadIcon are shared and are not destroyed.
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kProgramIconId));
    return icon ? icon : LoadIconA(nullptr, IDI_APPLICATION);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_SETICON,
                                reinterpret_cast<WPARAM>(ProgramIcon()), 0);
            return TRUE;  // the focus goes to the default button
        case WM_COMMAND:
            // Enter gives IDOK; Esc and the close box give IDCANCEL.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

void ShowAboutBox(HWND owner) {
    // A failure (-1) leaves nothing to clean up and nothing the caller could do about it.
    DialogBoxParamA(reinterpret_cast<HINSTANCE>(&__ImageBase), MAKEINTRESOURCEA(IDD_MAVREL_ABOUT),
                    owner, AboutProc, 0);
}

}  // namespace mavrel
