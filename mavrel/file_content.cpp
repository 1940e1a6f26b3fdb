#include "mavrel/file_content.h"

#include <windows.h>

#include <cstdio>

#include "afx/handles.h"
#include "mavrel/path_text.h"

namespace mavrel {

namespace {

// Thread ids are unique across the system while the thread lives, and a thread writes one
// file at a time, so the name cannot clash with a write in progress. It is kept short and
// independent of the target's name so that it fits wherever the target itself fits.
std::string TemporaryPathNextTo(const std::string& path) {
    char name[32];
    std::snprintf(name, sizeof name, "~brindlow-%lx.part", GetCurrentThreadId());
    return FolderOf(path) + name;
}

bool WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

bool WriteNewFile(const std::string& path, const char* data, size_t size) {
    afx::UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && WriteAll(file.get(), data, size) && FlushFileBuffers(file.get());
}

}  // namespace

bool ReplaceFileContent(const std::string& path, const char* data, size_t size) {
    const std::string temporary = TemporaryPathNextTo(path);
    if (WriteNewFile(temporary, data, size) &&
        MoveFileExA(temporary.c_str(), path.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(temporary.c_str());  // fails harmlessly when it was never created
    return false;
}

ReadOutcome ReadFileContent(const std::string& path, std::string* content, size_t maxBytes) {
    afx::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    content->clear();
    if (!file) {
        const DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                   ? ReadOutcome::kMissing
                   : ReadOutcome::kFailed;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return ReadOutcome::kFailed;
    if (static_cast<ULONGLONG>(size.QuadPart) > maxBytes) return ReadOutcome::kTooLarge;
    char buffer[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            return ReadOutcome::kFailed;
        if (got == 0) return ReadOutcome::kRead;
        // The file may grow while it is read.
        if (got > maxBytes - content->size()) {
            content->clear();
            return ReadOutcome::kTooLarge;
        }
        content->append(buffer, got);
    }
}

}  // namespace mavrel
