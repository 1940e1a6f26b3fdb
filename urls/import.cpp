// The Import button: a URL list read into the URL table.
#include <cstring>

#include "afx/codepage.h"
#include "afx/stdiofile.h"
#include "app/main_dialog.h"
#include "app/texts.h"
#include "core/ccore.h"
#include "fetch/shared_state.h"
#include "urls/url_list.h"
#include "urls/url_table.h"

void CMainDialog::OnImport() {
    // A running or stopping batch counts its reports against the list it started with.
    if (m_bRunning || m_nActive > 0) {
        g_core->msgboxWarning(m_hWnd, texts::kImportWhileRunning);
        return;
    }
    CString path = g_core->fileTxtOpen();
    if (path.IsEmpty()) return;

    std::memset(g_urlTable, 0, kUrlTableBytes);
    m_nTotal = 0;
    SetStatus(texts::kLoading);

    CString message;
    // Half a list is not what the user chose: a list that cannot be read whole leaves none.
    auto refuse = [&](const char* warning) {
        std::memset(g_urlTable, 0, kUrlTableBytes);
        message.Format(warning, path.GetString());
        g_core->msgboxWarning(m_hWnd, message);
        message.Format(texts::kImported, 0);
        SetStatus(message);
    };
    CStdioFile file;
    if (!file.Open(path, CStdioFile::modeRead)) return refuse(texts::kImportCannotOpen);
    UrlListResult list = ReadUrlList(file, g_urlTable, afx::EncodeAnsiChar);
    file.Close();
    if (list.readError) return refuse(texts::kImportReadError);

    message.Format(texts::kImported, list.count);
    SetStatus(message);
    m_nTotal = list.count;
    if (list.truncated) {
        message.Format(texts::kImportTruncated, kUrlSlots, kUrlSlots);
        g_core->msgboxWarning(m_hWnd, message);
    }
}
