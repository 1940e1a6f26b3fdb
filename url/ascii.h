// ASCII helpers for text whose other bytes must never change: schemes, host names, charset and
// type names, markup and style sheets are ASCII where these look, and a byte above 0x7F (UTF-8,
// or a double-byte character of the code page) is never touched or matched. Free of Windows
// headers.
#pragma once

#include <string>
#include <string_view>

namespace ascii {

inline char ToLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = ToLower(c);
    return out;
}

// Blank and tab.
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The white space of HTML, CSS and HTTP: blank, tab, line feed, carriage return, form feed.
inline bool IsHtmlSpace(char c) {
    return IsBlank(c) || c == '\n' || c == '\r' || c == '\f';
}

// The C library's white space: HTML's and the vertical tab.
inline bool IsSpace(char c) {
    return IsHtmlSpace(c) || c == '\v';
}

// The value of a hexadecimal digit, or -1.
inline int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline bool IsAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace ascii
