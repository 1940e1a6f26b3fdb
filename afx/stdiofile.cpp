#include "afx/stdiofile.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <share.h>
#endif

namespace {
constexpr size_t kBlockBytes = 64 * 1024;
}

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

bool CStdioFile::Fill() {
    if (m_pos < m_end) return true;
    m_pos = m_end = 0;
    if (!m_file || m_bError) return false;
    if (m_buffer.empty()) m_buffer.resize(kBlockBytes);
    m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    if (std::ferror(m_file)) m_bError = true;
    return m_end > 0;
}

bool CStdioFile::ReadString(std::string& piece, size_t maxBytes, bool& lineEnded) {
    piece.clear();
    lineEnded = false;
    bool gotAny = false;
    while (piece.size() < maxBytes) {
        if (!Fill()) {
            lineEnded = true;  // the end of the file ends the line
            break;
        }
        gotAny = true;
        const char* start = m_buffer.data() + m_pos;
        size_t take = std::min(m_end - m_pos, maxBytes - piece.size());
        const char* end = static_cast<const char*>(std::memchr(start, '\n', take));
        if (end) {
            piece.append(start, static_cast<size_t>(end - start));
            m_pos += static_cast<size_t>(end - start) + 1;
            lineEnded = true;
            break;
        }
        piece.append(start, take);
        m_pos += take;
    }
    if (!lineEnded) {
        // The piece is full: a line end or the end of the file right after it ends the line.
        if (!Fill())
            lineEnded = true;
        else if (m_buffer[m_pos] == '\n') {
            ++m_pos;
            lineEnded = true;
        }
    }
    if (m_bError) return false;
    return gotAny;
}

size_t CStdioFile::Read(void* buffer, size_t count) {
    char* out = static_cast<char*>(buffer);
    size_t done = std::min(count, m_end - m_pos);
    if (done) std::memcpy(out, m_buffer.data() + m_pos, done);
    m_pos += done;
    if (done < count && m_file && !m_bError) {
        done += std::fread(out + done, 1, count - done, m_file);
        if (std::ferror(m_file)) m_bError = true;
    }
    return done;
}

bool CStdioFile::SeekToBegin() {
    m_pos = m_end = 0;
    if (!m_file) return false;
    std::clearerr(m_file);
    return std::fseek(m_file, 0, SEEK_SET) == 0;
}

void CStdioFile::Close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    m_pos = m_end = 0;
}
