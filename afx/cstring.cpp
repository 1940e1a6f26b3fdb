#include "afx/cstring.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "afx/dbcs.h"

namespace {

bool IsTrimmedSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0) {
        m_text.clear();
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    m_text.assign(buffer.data(), static_cast<size_t>(needed));
}

int CString::Find(const char* what, int start) const {
    size_t n = what ? std::strlen(what) : 0;
    if (n == 0 || start < 0) return -1;
    for (size_t i = 0; i < m_text.size(); i += afx::CharLength(m_text, i)) {
        if (i < static_cast<size_t>(start)) continue;
        if (m_text.compare(i, n, what) == 0) return static_cast<int>(i);
    }
    return -1;
}

int CString::Replace(const char* from, const char* to) {
    size_t n = from ? std::strlen(from) : 0;
    if (n == 0) return 0;
    if (!to) to = "";
    std::string out;
    out.reserve(m_text.size());
    int count = 0;
    size_t i = 0;
    while (i < m_text.size()) {
        if (m_text.compare(i, n, from) == 0) {
            out += to;
            i += n;
            ++count;
        } else {
            size_t len = afx::CharLength(m_text, i);
            out.append(m_text, i, len);
            i += len;
        }
    }
    if (count) m_text.swap(out);
    return count;
}

CString& CString::MakeLower() {
    for (size_t i = 0; i < m_text.size();) {
        size_t len = afx::CharLength(m_text, i);
        if (len == 1 && m_text[i] >= 'A' && m_text[i] <= 'Z')
            m_text[i] = static_cast<char>(m_text[i] - 'A' + 'a');
        i += len;
    }
    return *this;
}

CString& CString::TrimRight() {
    // Find the end of the last character that is not white space, walking forward so that
    // a trail byte is never judged on its own.
    size_t keep = 0;
    for (size_t i = 0; i < m_text.size();) {
        size_t len = afx::CharLength(m_text, i);
        if (len == 2 || !IsTrimmedSpace(m_text[i])) keep = i + len;
        i += len;
    }
    m_text.resize(keep);
    return *this;
}

char* CString::GetBuffer(int minLength) {
    if (minLength > 0 && static_cast<size_t>(minLength) > m_text.size())
        m_text.resize(static_cast<size_t>(minLength));
    return &m_text[0];
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) newLength = static_cast<int>(std::strlen(m_text.c_str()));
    m_text.resize(Clamp(newLength));
}
