// Format 2: the page as a web archive.
#include "fetch/fetch_thread.h"

void CFetchThread::SaveAsMht(CString, CString path) {
    CString archive = path.Left(path.GetLength() - 4) + ".mht";
    ::DeleteFileA(archive);
}
