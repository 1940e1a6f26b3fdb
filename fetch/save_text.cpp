// Format 1: the page's source in a text file.
#include "afx/path_calls.h"
#include "core/ccore.h"
#include "fetch/fetch_thread.h"
#include "fetch/shared_state.h"

void CFetchThread::SaveAsText(CString url, CString path) {
    // No file of this name exists while the page is fetched; a failed page leaves none.
    afx::DeleteFileAt(path);
    CString text = FetchPage(url);
    // Pages write e-mail addresses as "name(at)host" to hide them from address harvesters; the
    // saved source is for reading, so they are written back as addresses.
    text.Replace("(at)", "@");
    g_core->outTxtFile(text, path);
}
