#include "afx/codepage.h"

#include <windows.h>

namespace afx {

bool EncodeAnsiChar(char32_t codePoint, std::string& ansi) {
    wchar_t wide[2];
    int wideLength = 1;
    if (codePoint >= 0x10000) {
        char32_t v = codePoint - 0x10000;
        wide[0] = static_cast<wchar_t>(0xD800 + (v >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
        wideLength = 2;
    } else {
        wide[0] = static_cast<wchar_t>(codePoint);
    }
    char bytes[8];
    BOOL usedDefault = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, wideLength, bytes,
                                  sizeof bytes, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    // Only an exact round trip counts: some code pages map characters they lack to look-alikes.
    wchar_t back[4];
    int m = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, n, back, 4);
    if (m != wideLength || back[0] != wide[0] || (wideLength == 2 && back[1] != wide[1]))
        return false;
    ansi.assign(bytes, static_cast<size_t>(n));
    return true;
}

std::wstring Utf8ToWide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
    return wide;
}

std::string WideToUtf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                  0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], n,
                              nullptr, nullptr);
    return utf8;
}

std::string AnsiToUtf8(const std::string& ansi) {
    if (ansi.empty()) return std::string();
    int n =
        ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (n <= 0) return std::string();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
    return WideToUtf8(wide);
}

}  // namespace afx
