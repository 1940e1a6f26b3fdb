#include "mavrel/file_open_dialog.h"

#include <commdlg.h>

#include <vector>

namespace mavrel {

std::string ChooseTextFile(HWND owner) {
    // Room for long paths; ANSI paths cannot exceed MAX_PATH anyway, this only leaves slack.
    std::vector<char> path(MAX_PATH * 4, '\0');
    static const char kFilter[] = "文本文件 (*.txt)\0*.txt\0所有文件 (*.*)\0*.*\0";

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = static_cast<DWORD>(path.size());
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetOpenFileNameA(&ofn)) return std::string();  // cancelled, or CommDlgExtendedError
    return std::string(path.data());
}

}  // namespace mavrel
