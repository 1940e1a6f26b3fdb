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

bool CStdioFile::ReadString(std::string& piece, size_t maxBytes, bool& lineEnded) {
    piece.clear();
    lineEnded = false;
    if (!m_file) return false;
    int c = EOF;
    bool gotAny = false;
    while (piece.size() < maxBytes && (c = std::getc(m_file)) != EOF) {
        gotAny = true;
        if (c == '\n') {
            lineEnded = true;
            break;
        }
        piece += static_cast<char>(c);
    }
    if (!lineEnded && c != EOF) {
        // The piece is full: a line end right after it still ends the line here.
        c = std::getc(m_file);
        if (c == '\n')
            lineEnded = true;
        else if (c != EOF)
            std::ungetc(c, m_file);
    }
    if (c == EOF) lineEnded = true;
    if (std::ferror(m_file)) {
        m_bError = true;
        return false;
    }
    return gotAny;
}

size_t CStdioFile::Read(void* buffer, size_t count) {
    if (!m_file) return 0;
    size_t read = std::fread(buffer, 1, count, m_file);
    if (std::ferror(m_file)) m_bError = true;
    return read;
}

bool CStdioFile::SeekToBegin() {
    if (!m_file) return false;
    std::clearerr(m_file);
    return std::fseek(m_file, 0, SEEK_SET) == 0;
}

void CStdioFile::Close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
}
