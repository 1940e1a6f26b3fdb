#include "mavrel/file_content.h"

#include <windows.h>

#include "afx/handles.h"

namespace mavrel {

ReadOutcome ReadFileContent(const std::string& path, std::string* content) {
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
    char buffer[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            return ReadOutcome::kFailed;
        if (got == 0) return ReadOutcome::kRead;
        content->append(buffer, got);
    }
}

}  // namespace mavrel
