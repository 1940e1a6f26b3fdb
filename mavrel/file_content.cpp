#include "mavrel/file_content.h"

#include <windows.h>

#include "afx/handles.h"

namespace mavrel {

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
