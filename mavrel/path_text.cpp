#include "mavrel/path_text.h"

#include "afx/dbcs.h"

namespace mavrel {

namespace {

bool IsSlash(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

std::string WithOneTrailingBackslash(const std::string& path) {
    if (path.empty()) return path;
    size_t keep = 0;  // end of the last character that is not a slash
    for (size_t i = 0; i < path.size();) {
        size_t len = afx::CharLength(path, i);
        if (len == 2 || !IsSlash(path[i])) keep = i + len;
        i += len;
    }
    return path.substr(0, keep) + '\\';
}

std::string FolderOf(const std::string& path) {
    size_t end = 0;  // just past the last separator
    for (size_t i = 0; i < path.size();) {
        size_t len = afx::CharLength(path, i);
        if (len == 1 && (IsSlash(path[i]) || path[i] == ':')) end = i + 1;
        i += len;
    }
    return path.substr(0, end);
}

}  // namespace mavrel
