#include "tests/gui/test_files.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "afx/handles.h"
#include "afx/path_calls.h"

namespace gui {

namespace {

// Wide calls on extended paths throughout, so that folders past MAX_PATH go too.
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    afx::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    for (bool more = find.valid(); more; more = FindNextFileW(find.get(), &found)) {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(path);
        else
            DeleteFileW(path.c_str());
    }
    find.reset();
    RemoveDirectoryW(folder.c_str());
}

void WriteWholeFile(const std::string& path, const std::string& content) {
    afx::UniqueFile file(CreateFileW(afx::WidePath(path.c_str()).c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!file ||
        !::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) ||
        written != content.size())
        throw std::runtime_error("cannot write " + path);
}

}  // namespace

std::string SettingsPath() {
    char appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, appData)))
        throw std::runtime_error("no application-data folder");
    return std::string(appData) + "\\Brindlow\\brindlow.ini";
}

void WriteSettings(const std::string& text) {
    const std::string path = SettingsPath();
    CreateDirectoryA(path.substr(0, path.find_last_of('\\')).c_str(), nullptr);
    WriteWholeFile(path, text);
}

void DeleteSettings() {
    DeleteFileA(SettingsPath().c_str());
}

bool SettingsExist() {
    return GetFileAttributesA(SettingsPath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SettingValue(const std::string& key, const std::string& missing) {
    std::vector<char> value(4096, '\0');
    GetPrivateProfileStringA("Brindlow", key.c_str(), missing.c_str(), value.data(),
                             static_cast<DWORD>(value.size()), SettingsPath().c_str());
    return value.data();
}

TempFolder::TempFolder() {
    char temp[MAX_PATH] = {};
    if (!GetTempPathA(MAX_PATH, temp)) throw std::runtime_error("no temporary folder");
    static int counter = 0;
    for (;;) {
        m_path = std::string(temp) + "brindlow-gui-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++counter);
        if (CreateDirectoryA(m_path.c_str(), nullptr)) return;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create " + m_path);
    }
}

TempFolder::~TempFolder() {
    RemoveTree(afx::WidePath(m_path.c_str()));
}

std::string TempFolder::MakeFolder(const std::string& name) const {
    std::string path = m_path;
    size_t start = 0;
    for (;;) {
        const size_t end = name.find('\\', start);
        path += "\\" + name.substr(start, end - start);
        CreateDirectoryW(afx::WidePath(path.c_str()).c_str(), nullptr);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    const DWORD attributes = afx::FileAttributesAt(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw std::runtime_error("cannot create " + path);
    return path;
}

std::string TempFolder::MakeFolderOfLength(size_t length) const {
    std::string path = m_path;
    while (path.size() + 1 < length) {
        const size_t room = length - path.size() - 1;  // after the separator
        size_t part = std::min<size_t>(100, room);
        if (room - part == 1) --part;  // leave no name of one character for the next round
        path += "\\" + std::string(part, 'd');
    }
    return MakeFolder(path.substr(m_path.size() + 1));
}

std::string TempFolder::WriteFile(const std::string& name, const std::string& content) const {
    const std::string path = m_path + "\\" + name;
    WriteWholeFile(path, content);
    return path;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    afx::UniqueFind find(
        ::FindFirstFileW((afx::WidePath(folder.c_str()) + L"\\*").c_str(), &found));
    for (bool more = find.valid(); more; more = ::FindNextFileW(find.get(), &found)) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        char name[MAX_PATH * 2];
        if (::WideCharToMultiByte(CP_ACP, 0, found.cFileName, -1, name, sizeof name, nullptr,
                                  nullptr) > 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadWholeFile(const std::string& path, std::string* content) {
    afx::UniqueFile file(::CreateFileW(afx::WidePath(path.c_str()).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    content->clear();
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        content->append(buffer, got);
    return true;
}

}  // namespace gui
