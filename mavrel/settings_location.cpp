#include "mavrel/settings_location.h"

#include <windows.h>
#include <shlobj.h>

#include <mutex>

#include "mavrel/test_hooks.h"

namespace mavrel {

namespace {

std::mutex g_overrideLock;
std::string g_overridePath;

std::string OverridePath() {
    std::lock_guard<std::mutex> lock(g_overrideLock);
    return g_overridePath;
}

}  // namespace

std::string LocateSettingsFile() {
    std::string path = OverridePath();
    if (!path.empty()) return path;

    char appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                SHGFP_TYPE_CURRENT, appData)))
        return std::string();
    std::string folder = std::string(appData) + "\\Brindlow";
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return std::string();
    return folder + "\\brindlow.ini";
}

}  // namespace mavrel

extern "C" void mavrel_SetConfigPathForTests(const char* iniPath) {
    std::lock_guard<std::mutex> lock(mavrel::g_overrideLock);
    mavrel::g_overridePath = iniPath ? iniPath : "";
}
