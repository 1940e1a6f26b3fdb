#include "afx/whole_file.h"

#include <cstdio>

#include "afx/handles.h"
#include "afx/path_calls.h"

namespace afx {
namespace {

HRESULT LastError() {
    const DWORD error = ::GetLastError();
    return HRESULT_FROM_WIN32(error ? error : ERROR_GEN_FAILURE);
}

// Thread ids are unique across the system while the thread lives and a thread writes one
// file at a time, so no two writes share the name. It is short and independent of the
// target's name, so that it fits wherever the target fits.
std::wstring TemporaryPathNextTo(const std::wstring& path) {
    wchar_t name[32];
    std::swprintf(name, sizeof name / sizeof name[0], L"~brindlow-%lx.part",
                  ::GetCurrentThreadId());
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

HRESULT WriteAll(HANDLE file, std::string_view bytes) {
    constexpr size_t kChunk = 1u << 20;
    while (!bytes.empty()) {
        const DWORD wanted = static_cast<DWORD>(bytes.size() < kChunk ? bytes.size() : kChunk);
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), wanted, &written, nullptr)) return LastError();
        if (written == 0) return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
        bytes.remove_prefix(written);
    }
    return S_OK;
}

HRESULT WriteNewFile(const std::wstring& path, std::string_view bytes) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LastError();
    HRESULT result = WriteAll(file.get(), bytes);
    // On disk before the rename makes it visible, so that a crash cannot leave a short file.
    if (SUCCEEDED(result) && !::FlushFileBuffers(file.get())) result = LastError();
    // Some file systems report a failed write only when the file is closed.
    if (!::CloseHandle(file.release()) && SUCCEEDED(result)) result = LastError();
    return result;
}

// A replace refused because the target is open or being replaced at that moment (another
// thread renaming onto the same name, a reader without delete sharing) is tried again for a
// little while; after that the file there stays as it is.
HRESULT MoveOnto(const std::wstring& temporary, const std::wstring& target, bool overwrite) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (overwrite ? MOVEFILE_REPLACE_EXISTING : 0);
    DWORD pauseMs = 1;
    for (DWORD waitedMs = 0;; waitedMs += pauseMs, pauseMs *= 2) {
        if (::MoveFileExW(temporary.c_str(), target.c_str(), flags)) return S_OK;
        const HRESULT result = LastError();
        const bool busy = result == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) ||
                          result == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) ||
                          result == HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION);
        if (!busy || !overwrite || waitedMs >= kBusyTargetRetryMs) return result;
        ::Sleep(pauseMs);
    }
}

}  // namespace

HRESULT WriteWholeFile(const std::wstring& path, std::string_view bytes, bool overwrite) {
    const std::wstring target = WidePath(path);
    if (target.empty() || target.back() == L'\\') return E_INVALIDARG;
    const std::wstring temporary = TemporaryPathNextTo(target);

    HRESULT result = WriteNewFile(temporary, bytes);
    if (SUCCEEDED(result)) {
        result = MoveOnto(temporary, target, overwrite);
        if (SUCCEEDED(result)) return S_OK;
    }
    // Also after a failed creation: a file system that is full may have made the file
    // before refusing its first byte.
    ::DeleteFileW(temporary.c_str());
    return result;
}

}  // namespace afx
