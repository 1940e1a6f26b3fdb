#include "afx/codepage.h"

#include <windows.h>

#include <climits>

namespace afx {

bool ToWide(unsigned codePage, std::string_view bytes, std::wstring& wide) {
    wide.clear();
    if (bytes.empty()) return true;
    if (bytes.size() > INT_MAX / 2) return false;
    const int n = static_cast<int>(bytes.size());
    const int count = ::MultiByteToWideChar(codePage, 0, bytes.data(), n, nullptr, 0);
    if (count <= 0) return false;
    wide.resize(static_cast<size_t>(count));
    if (::MultiByteToWideChar(codePage, 0, bytes.data(), n, &wide[0], count) == count) return true;
    wide.clear();
    return false;
}

bool FromWide(unsigned codePage, std::wstring_view wide, std::string& bytes, bool* lossy) {
    bytes.clear();
    if (lossy) *lossy = false;
    if (wide.empty()) return true;
    if (wide.size() > INT_MAX / 4) return false;
    const int n = static_cast<int>(wide.size());
    // UTF-8 and GB18030 hold every character, and refuse both the flag and the lossy report.
    const bool total = codePage == CP_UTF8 || codePage == 54936;
    const DWORD flags = total ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultPtr = total ? nullptr : &usedDefault;
    const int count =
        ::WideCharToMultiByte(codePage, flags, wide.data(), n, nullptr, 0, nullptr, usedDefaultPtr);
    if (count <= 0) return false;
    bytes.resize(static_cast<size_t>(count));
    if (::WideCharToMultiByte(codePage, flags, wide.data(), n, &bytes[0], count, nullptr,
                              usedDefaultPtr) != count) {
        bytes.clear();
        return false;
    }
    if (lossy) *lossy = usedDefault != FALSE;
    return true;
}

bool AnsiToUtf8(std::string_view ansi, std::string& utf8) {
    std::wstring wide;
    return ToWide(kAnsiCodePage, ansi, wide) && FromWide(kUtf8CodePage, wide, utf8);
}

bool EncodeAnsiChar(char32_t codePoint, std::string& ansi) {
    std::wstring wide;
    AppendUtf16(codePoint, wide);
    std::string bytes;
    bool lossy = false;
    if (!FromWide(kAnsiCodePage, wide, bytes, &lossy) || lossy) return false;
    // Only an exact round trip counts: some code pages map characters they lack to look-alikes.
    wchar_t back[4];
    const int m = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                                        static_cast<int>(bytes.size()), back, 4);
    if (m <= 0 || std::wstring_view(back, static_cast<size_t>(m)) != wide) return false;
    ansi = bytes;
    return true;
}

}  // namespace afx
