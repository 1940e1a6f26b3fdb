// Format 1: the page's source in a text file.
#include <utility>

#include "afx/path_calls.h"
#include "core/ccore.h"
#include "fetch/batch_names.h"
#include "fetch/fetch_thread.h"
#include "fetch/shared_state.h"

void CFetchThread::SaveAsText(CString url, CString path) {
    // An older file of this name goes before the fetch, so that a failed page leaves none; but
    // only the first worker of the batch to reach the name removes it (see fetch/batch_names.h).
    TheBatchNames().Claim(path.str(), [&path] { afx::DeleteFileAt(path); });
    // The text is made with its "(at)"s replaced, and handed over, not copied.
    CString text = FetchPage(url);
    g_core->outTxtFile(std::move(text), path);
    m_pPageLease.reset();
}
