#include "app/main_dialog.h"

#include "afx/winapp.h"
#include "app/icon_position.h"
#include "fetch/shared_state.h"
#include "core/ccore.h"

CMainDialog::CMainDialog(CWnd* parent) : CDialog(IDD_MAIN, parent) {
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

afx::MessageMap CMainDialog::GetMessageMap() const {
    static const afx::MessageMapEntry entries[] = {
        afx::OnMessage(WM_PAINT, &CMainDialog::OnPaint),
        afx::OnQueryDragIcon(&CMainDialog::OnQueryDragIcon),
        afx::OnMessage(WM_DESTROY, &CMainDialog::OnDestroy),
        afx::OnClicked(IDC_IMPORT, &CMainDialog::OnImport),
        afx::OnClicked(IDC_RUN, &CMainDialog::OnRun),
        afx::OnTimer(&CMainDialog::OnTimer),
        afx::OnClicked(IDC_BROWSE, &CMainDialog::OnBrowse),
        afx::OnClicked(IDC_ABOUT, &CMainDialog::OnAbout),
        // Reports are counted here, in the window procedure, so that every message loop
        // delivers them: this one, and those of the file chooser, the folder browser, a
        // message box or a window being moved.
        afx::OnMessage(WM_JOB_DONE, &CMainDialog::OnJobDone),
    };
    return {entries, sizeof entries / sizeof entries[0]};
}

BOOL CMainDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    g_core = new CCore();
    LoadSettings();
    return TRUE;  // the dialog manager focuses the first tab stop, the About button
}

void CMainDialog::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    IconOrigin origin = CenteredIconOrigin(rect.right - rect.left, rect.bottom - rect.top, cx, cy);
    dc.DrawIcon(origin.x, origin.y, m_hIcon);
}

HCURSOR CMainDialog::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CMainDialog::OnAbout() {
    g_core->showAbout();
}

void CMainDialog::SetStatus(CString text) {
    GetDlgItem(IDC_STATUS).SetWindowText(text);
}

BOOL CMainDialog::PreTranslateMessage(MSG* msg) {
    // Enter and Esc would end the dialog: it closes only from its title bar.
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN))
        return TRUE;
    return CDialog::PreTranslateMessage(msg);
}
