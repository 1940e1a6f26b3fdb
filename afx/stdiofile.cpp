#include "afx/stdiofile.h"

#ifdef _WIN32
#include <share.h>
#endif

bool CStdioFile::Open(const char* path, unsigned) {
    Close();
    m_bError = false;
#ifdef _WIN32
    m_file = _fsopen(path, "rt", _SH_DENYRW);
#else
    m_file = std::fopen(path, "r");
#endif
    return m_file != nullptr;
}

bool CStdioFile::ReadString(CString& line) {
    line.Empty();
    if (!m_file) return false;
    std::string text;
    int c;
    bool gotAny = false;
    while ((c = std::getc(m_file)) != EOF) {
        gotAny = true;
        if (c == '\n') break;
        text += static_cast<char>(c);
    }
    if (std::ferror(m_file)) {
        m_bError = true;
        return false;
    }
    line = CString(std::move(text));
    return gotAny;
}

void CStdioFile::Close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
}
