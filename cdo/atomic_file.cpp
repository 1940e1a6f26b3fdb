#include "cdo/atomic_file.h"

#include <algorithm>

#include "afx/handles.h"

namespace cdo {
namespace {

HRESULT LastError() {
    DWORD error = ::GetLastError();
    return HRESULT_FROM_WIN32(error ? error : ERROR_GEN_FAILURE);
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash + 1);
}

// The temporary file, deleted unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : m_path(std::move(path)) {}
    ~TemporaryFile() {
        if (!m_kept) ::DeleteFileW(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const wchar_t* path() const { return m_path.c_str(); }
    void Keep() { m_kept = true; }

private:
    std::wstring m_path;
    bool m_kept = false;
};

HRESULT WriteAll(const wchar_t* path, std::string_view bytes) {
    afx::UniqueFile file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return LastError();
    constexpr size_t kChunk = 1u << 20;
    while (!bytes.empty()) {
        DWORD wanted = static_cast<DWORD>(std::min(bytes.size(), kChunk));
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data(), wanted, &written, nullptr)) return LastError();
        if (written == 0) return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
        bytes.remove_prefix(written);
    }
    // On disk before the rename makes it visible, so a crash cannot leave a short archive.
    if (!::FlushFileBuffers(file.get())) return LastError();
    return S_OK;
}

}  // namespace

HRESULT WriteFileAtomically(const std::wstring& path, std::string_view bytes, bool overwrite) {
    if (path.empty()) return E_INVALIDARG;
    wchar_t tempName[MAX_PATH];
    // Unique in the folder, so that two writers of one target never share a temporary file.
    if (!::GetTempFileNameW(FolderOf(path).c_str(), L"mht", 0, tempName)) return LastError();
    TemporaryFile temp(tempName);

    HRESULT written = WriteAll(temp.path(), bytes);
    if (FAILED(written)) return written;
    DWORD flags = MOVEFILE_WRITE_THROUGH | (overwrite ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!::MoveFileExW(temp.path(), path.c_str(), flags)) return LastError();
    temp.Keep();
    return S_OK;
}

}  // namespace cdo
