// CString: the narrow text type of the program, in the process's ANSI code page.
// Operations that walk characters step over double-byte characters whole, so a GBK
// trail byte is never taken for an ASCII letter, a slash or a backslash.
#pragma once

#include <cstdarg>
#include <string>

class CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}
    CString(const char* text, int length) : m_text(text, text ? length : 0) {}
    CString(const std::string& text) : m_text(text) {}
    CString(std::string&& text) : m_text(std::move(text)) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    operator const char*() const { return m_text.c_str(); }
    const char* GetString() const { return m_text.c_str(); }
    const std::string& str() const { return m_text; }

    CString& operator=(const char* text) {
        m_text = text ? text : "";
        return *this;
    }
    CString& operator+=(const CString& other) {
        m_text += other.m_text;
        return *this;
    }
    CString& operator+=(const char* text) {
        if (text) m_text += text;
        return *this;
    }
    CString& operator+=(char c) {
        m_text += c;
        return *this;
    }

    // printf-style formatting into this string.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args);

    // Replaces every non-overlapping occurrence of `from`, scanning left to right and
    // matching only at character boundaries. Returns the number of replacements.
    int Replace(const char* from, const char* to);

    // Single-byte A-Z become a-z; double-byte characters are left alone.
    CString& MakeLower();
    // Removes trailing white space (blank, tab, CR, LF, VT, FF).
    CString& TrimRight();

    // Index of the first occurrence of `what` at a character boundary, or -1.
    int Find(const char* what, int start = 0) const;
    CString Left(int count) const { return CString(m_text.substr(0, Clamp(count))); }
    CString Mid(int first) const { return CString(m_text.substr(Clamp(first))); }

    // Access to the bytes for APIs that fill a buffer; ReleaseBuffer trims at the first NUL.
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.m_text == (b ? b : ""); }
    friend bool operator==(const char* a, const CString& b) { return b == a; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend CString operator+(CString a, const CString& b) { return a += b; }
    friend CString operator+(CString a, const char* b) { return a += b; }
    friend CString operator+(const char* a, const CString& b) { return CString(a) += b; }

private:
    size_t Clamp(int n) const {
        return n < 0 ? 0
                     : (static_cast<size_t>(n) > m_text.size() ? m_text.size()
                                                               : static_cast<size_t>(n));
    }

    std::string m_text;
};
