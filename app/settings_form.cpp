// The three settings, the form that shows them, its validation and the folder browser.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>

#include "afx/handles.h"
#include "app/main_dialog.h"
#include "app/texts.h"
#include "core/ccore.h"
#include "fetch/shared_state.h"
#include "urls/url_table.h"

// The folder the browser pre-selects; written just before the browser opens.
static char g_browseInitDir[MAX_PATH];

void CMainDialog::LoadSettings() {
    g_core->getAppPath();
    g_core->autoFileConfig();
    g_outDir = g_core->getConfigStr(const_cast<char*>("pathout"));
    g_fileType = g_core->getConfigInt(const_cast<char*>("filetyp"));
    m_nTotal = 0;
    bool tableReady = AllocateUrlTable();
    m_nThreads = g_core->getConfigInt(const_cast<char*>("threadcount"));
    if (m_nThreads < 1) m_nThreads = 1;
    SetDlgItemText(IDC_THREADS, g_core->getStrInt(m_nThreads));
    SetDlgItemText(IDC_OUTDIR, g_outDir);
    if (g_fileType == 1) SendDlgItemMessage(IDC_FMT_HTML, BM_SETCHECK, BST_CHECKED);
    if (g_fileType == 2) SendDlgItemMessage(IDC_FMT_MHT, BM_SETCHECK, BST_CHECKED);
    m_bRunning = FALSE;

    if (!tableReady) {
        // Without the table nothing can be imported: say so and close. The form is filled
        // first, so the settings saved on the way out are the ones just loaded.
        g_core->msgboxWarning(m_hWnd, texts::kNoMemoryForUrls);
        EndDialog(IDCANCEL);
    }
}

CMainDialog::FormValues CMainDialog::FormNow() {
    FormValues form;
    form.threads = std::atoi(GetDlgItemText(IDC_THREADS));
    form.outDir = GetDlgItemText(IDC_OUTDIR);
    form.fileType = SendDlgItemMessage(IDC_FMT_HTML, BM_GETCHECK) != 0 ? 1 : 2;
    return form;
}

BOOL CMainDialog::ReadForm(BOOL bValidate) {
    FormValues form = FormNow();
    m_nThreads = form.threads;
    g_outDir = form.outDir;
    g_fileType = form.fileType;
    if (!bValidate) return TRUE;

    if (m_nThreads < 1 || m_nThreads > 20) {
        g_core->msgboxWarning(m_hWnd, texts::kThreadCountInvalid);
        GetDlgItem(IDC_THREADS).SetFocus();
        return FALSE;
    }
    if (g_core->isPathExist(g_outDir)) return TRUE;
    g_core->msgboxWarning(m_hWnd, texts::kOutputDirInvalid);
    GetDlgItem(IDC_BROWSE).SetFocus();
    return FALSE;
}

void CMainDialog::OnBrowse() {
    BrowseForFolder(IDC_OUTDIR);
}

void CMainDialog::BrowseForFolder(UINT nEditId) {
    // A text that does not fit the buffer pre-selects nothing rather than a cut-off path.
    CString current = GetDlgItemText(nEditId);
    if (current.GetLength() < MAX_PATH)
        std::memcpy(g_browseInitDir, current.GetString(), current.GetLength() + 1);
    else
        g_browseInitDir[0] = '\0';

    BROWSEINFOA info;
    std::memset(&info, 0, sizeof info);
    info.hwndOwner = m_hWnd;
    info.pidlRoot = nullptr;
    info.pszDisplayName = nullptr;
    info.lpszTitle = texts::kBrowseTitle;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = &CMainDialog::BrowseCallbackProc;
    info.lParam = 0;

    afx::UniqueCoTaskMem<ITEMIDLIST> item(::SHBrowseForFolderA(&info));
    if (!item) return;
    char path[MAX_PATH];
    if (::SHGetPathFromIDListA(item.get(), path)) SetDlgItemText(nEditId, path);
}

int CALLBACK CMainDialog::BrowseCallbackProc(HWND hwnd, UINT uMsg, LPARAM, LPARAM) {
    if (uMsg == BFFM_INITIALIZED && g_browseInitDir[0] != '\0') {
        // Sent twice: some shells (Wine's) expand a freshly created folder's tree only on the
        // first request and select it on the second; on others the repeat changes nothing.
        for (int attempt = 0; attempt < 2; ++attempt)
            ::SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE,
                           reinterpret_cast<LPARAM>(g_browseInitDir));
    }
    return 0;
}
