// Conversions between text in a code page and Unicode: the program keeps its text in the ANSI
// code page (the URL table, paths) and meets UTF-8 (lists, URLs, pages) and UTF-16 (the wide
// calls, COM). Every converting call is checked: a failed conversion gives false, never part of
// a text.
#pragma once

#include <string>
#include <string_view>

namespace afx {

// Windows' numbers of the code pages the program names itself.
constexpr unsigned kAnsiCodePage = 0;      // CP_ACP: the process's ANSI code page
constexpr unsigned kUtf8CodePage = 65001;  // CP_UTF8

// `bytes` in `codePage` as UTF-16. Bytes that form no character come out as Windows maps them.
bool ToWide(unsigned codePage, std::string_view bytes, std::wstring& wide);

// UTF-16 text in `codePage`, without best-fit look-alikes. `lossy`, when given, reports a
// character the code page cannot hold (written as its default character).
bool FromWide(unsigned codePage, std::wstring_view wide, std::string& bytes, bool* lossy = nullptr);

// ANSI text as UTF-8 (through UTF-16, as Windows converts it).
bool AnsiToUtf8(std::string_view ansi, std::string& utf8);

// The ANSI bytes of one character; false when the code page has no exact equivalent (a
// best-fit substitute is not one).
bool EncodeAnsiChar(char32_t codePoint, std::string& ansi);

// UTF-16 surrogate pairs, for the code points above U+FFFF.
inline bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
inline char32_t CombineSurrogates(char32_t high, char32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}
inline void AppendUtf16(char32_t codePoint, std::wstring& out) {
    if (codePoint < 0x10000) {
        out += static_cast<wchar_t>(codePoint);
        return;
    }
    const char32_t v = codePoint - 0x10000;
    out += static_cast<wchar_t>(0xD800 + (v >> 10));
    out += static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
}

}  // namespace afx
