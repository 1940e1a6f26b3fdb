#include "afx/whole_file.h"

#include <cstdio>
#include <string_view>

#include "afx/handles.h"
#include "afx/path_calls.h"

namespace afx {
namespace {

HRESULT LastError() {
    const DWORD error = ::GetLastError();
    return HRESULT_FROM_WIN32(error ? error : ERROR_GEN_FAILURE);
}

// The temporary file's name is "~brindlow-" and the writing thread's id in lower-case hex,
// then ".part". Thread ids are unique across the system while the thread lives and a thread
// writes one file at a time, so no two writes share the name. It is short and independent of
// the target's name, so that it fits wherever the target fits.
constexpr wchar_t kTemporaryPrefix[] = L"~brindlow-";
constexpr wchar_t kTemporarySuffix[] = L".part";
constexpr size_t kPrefixLength = sizeof kTemporaryPrefix / sizeof(wchar_t) - 1;
constexpr size_t kSuffixLength = sizeof kTemporarySuffix / sizeof(wchar_t) - 1;

std::wstring TemporaryPathNextTo(const std::wstring& path) {
    wchar_t name[32];
    std::swprintf(name, sizeof name / sizeof name[0], L"%ls%lx%ls", kTemporaryPrefix,
                  ::GetCurrentThreadId(), kTemporarySuffix);
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

bool IsTemporaryName(std::wstring_view name) {
    if (name.size() <= kPrefixLength + kSuffixLength ||
        name.size() > kPrefixLength + 8 + kSuffixLength ||
        name.substr(0, kPrefixLength) != kTemporaryPrefix ||
        name.substr(name.size() - kSuffixLength) != kTemporarySuffix)
        return false;
    const std::wstring_view id =
        name.substr(kPrefixLength, name.size() - kPrefixLength - kSuffixLength);
    return id[0] != L'0' && id.find_first_not_of(L"0123456789abcdef") == std::wstring_view::npos;
}

// Runs `attempt` again while it fails in a way `busy` accepts, for up to kBusyTargetRetryMs.
template <typename Attempt, typename Busy>
HRESULT RetryWhileBusy(Attempt attempt, Busy busy) {
    DWORD pauseMs = 1;
    for (DWORD waitedMs = 0;; waitedMs += pauseMs, pauseMs *= 2) {
        const HRESULT result = attempt();
        if (SUCCEEDED(result) || !busy(result) || waitedMs >= kBusyTargetRetryMs) return result;
        ::Sleep(pauseMs);
    }
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

// Writes the temporary file and leaves it open in `held` (reading, every sharing): a file that
// is open refuses the clearing of abandoned ones (RemoveAbandonedTemporaryFiles), and the
// writing handle must be closed before the rename to learn whether the write took.
HRESULT WriteNewFile(const std::wstring& path, std::string_view bytes, UniqueFile& held) {
    UniqueFile file;
    // Busy only while a clearing holds an abandoned file of this name, for a moment.
    HRESULT result = RetryWhileBusy(
        [&] {
            file.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            return file ? S_OK : LastError();
        },
        [](HRESULT failure) { return failure == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION); });
    if (FAILED(result)) return result;
    result = WriteAll(file.get(), bytes);
    // On disk before the rename makes it visible, so that a crash cannot leave a short file.
    if (SUCCEEDED(result) && !::FlushFileBuffers(file.get())) result = LastError();
    if (SUCCEEDED(result)) {
        held.reset(::CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!held) result = LastError();
    }
    // Some file systems report a failed write only when the file is closed.
    if (!::CloseHandle(file.release()) && SUCCEEDED(result)) result = LastError();
    return result;
}

// A replace refused because the target is open or being replaced at that moment (another
// thread renaming onto the same name, a reader without delete sharing) is tried again for a
// little while; after that the file there stays as it is.
HRESULT MoveOnto(const std::wstring& temporary, const std::wstring& target, bool overwrite) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (overwrite ? MOVEFILE_REPLACE_EXISTING : 0);
    return RetryWhileBusy(
        [&] {
            return ::MoveFileExW(temporary.c_str(), target.c_str(), flags) ? S_OK : LastError();
        },
        [overwrite](HRESULT failure) {
            return overwrite && (failure == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) ||
                                 failure == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) ||
                                 failure == HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION));
        });
}

}  // namespace

HRESULT WriteWholeFile(const std::wstring& path, std::string_view bytes, bool overwrite) {
    const std::wstring target = WidePath(path);
    if (target.empty() || target.back() == L'\\') return E_INVALIDARG;
    const std::wstring temporary = TemporaryPathNextTo(target);

    UniqueFile held;
    HRESULT result = WriteNewFile(temporary, bytes, held);
    if (SUCCEEDED(result)) {
        result = MoveOnto(temporary, target, overwrite);
        if (SUCCEEDED(result)) return S_OK;
    }
    held.reset();
    // Also after a failed creation: a file system that is full may have made the file
    // before refusing its first byte.
    ::DeleteFileW(temporary.c_str());
    return result;
}

void RemoveAbandonedTemporaryFiles(const std::wstring& folder) {
    if (folder.empty() || folder.back() != L'\\') return;
    const std::wstring pattern = folder + kTemporaryPrefix + L"*" + kTemporarySuffix;
    WIN32_FIND_DATAW found;
    UniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, 0));
    if (!find) return;
    do {
        // The pattern also matches short names and names longer than ours.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !IsTemporaryName(found.cFileName))
            continue;
        // Opened with no sharing at all, so that it fails while any handle is open (a writer
        // holds its file until the rename), and deleted as the handle closes.
        UniqueFile abandoned(
            ::CreateFileW((folder + found.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    } while (::FindNextFileW(find.get(), &found));
}

}  // namespace afx
