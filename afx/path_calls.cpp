#include "afx/path_calls.h"

#include "afx/codepage.h"
#include "afx/extended_path.h"

namespace afx {
namespace {

std::wstring CurrentFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), &folder[0]);
        if (length == 0) return std::wstring();
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length);  // too small: `length` counts the final NUL
    }
}

// Wine passes names on to a Unix file system without checking their length there.
bool NamesAreUtf8() {
    static const bool wine =
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

}  // namespace

std::wstring WidePath(const char* path) {
    std::wstring wide;
    if (!path || !*path || !ToWide(kAnsiCodePage, path, wide)) return std::wstring();
    return WidePath(wide);
}

std::wstring WidePath(const std::wstring& path) {
    std::wstring extended = ExtendedPath(path, CurrentFolder());
    if (HasOverlongName(extended, NamesAreUtf8())) extended.clear();
    return extended;
}

bool DeleteFileAt(const char* path) {
    const std::wstring wide = WidePath(path);
    if (wide.empty()) return false;
    if (::DeleteFileW(wide.c_str())) return true;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

DWORD FileAttributesAt(const char* path) {
    const std::wstring wide = WidePath(path);
    return wide.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(wide.c_str());
}

}  // namespace afx
