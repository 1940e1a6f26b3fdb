#include "afx/extended_path.h"

#include <vector>

#include "afx/codepage.h"

namespace afx {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

bool HasDrive(const std::wstring& path) {
    return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':';
}

bool IsUnc(const std::wstring& path) {
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool IsAlreadyExtended(const std::wstring& path) {
    return path.size() >= 4 && path[0] == L'\\' && path[1] == L'\\' &&
           (path[2] == L'?' || path[2] == L'.') && path[3] == L'\\';
}

// The segments of `text` between separators, empty ones left out.
std::vector<std::wstring> Segments(const std::wstring& text) {
    std::vector<std::wstring> segments;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !IsSeparator(text[i])) continue;
        if (i > start) segments.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    return segments;
}

// Takes the segments of `rest` onto `kept`, resolving "." and ".." (never above the root).
void Resolve(const std::wstring& rest, std::vector<std::wstring>* kept) {
    for (std::wstring& segment : Segments(rest)) {
        if (segment == L".") continue;
        if (segment == L"..") {
            if (!kept->empty()) kept->pop_back();
            continue;
        }
        // "name." is "name"; "name..." is a name of its own.
        if (segment.size() >= 2 && segment.back() == L'.' && segment[segment.size() - 2] != L'.')
            segment.pop_back();
        kept->push_back(std::move(segment));
    }
}

// An absolute path split into its root ("\\?\C:" or "\\?\UNC\server\share") and the rest.
bool SplitAbsolute(const std::wstring& path, std::wstring* root, std::wstring* rest) {
    if (HasDrive(path) && path.size() >= 3 && IsSeparator(path[2])) {
        *root = L"\\\\?\\" + path.substr(0, 2);
        *rest = path.substr(2);
        return true;
    }
    if (!IsUnc(path)) return false;
    // The server and the share, each after its run of separators.
    size_t at = 0;
    std::wstring names[2];
    for (std::wstring& name : names) {
        while (at < path.size() && IsSeparator(path[at])) ++at;
        const size_t start = at;
        while (at < path.size() && !IsSeparator(path[at])) ++at;
        name = path.substr(start, at - start);
        if (name.empty()) return false;
    }
    *root = L"\\\\?\\UNC\\" + names[0] + L"\\" + names[1];
    *rest = path.substr(at);
    return true;
}

// The root of an extended path: "\\?\C:" or "\\?\UNC\server\share"; empty for a device.
std::wstring RootOfExtended(const std::wstring& path) {
    const std::wstring unc = L"\\\\?\\UNC\\";
    if (path.compare(0, unc.size(), unc) == 0) {
        size_t server = path.find(L'\\', unc.size());
        if (server == std::wstring::npos) return std::wstring();
        return path.substr(0, path.find(L'\\', server + 1));
    }
    if (path.size() >= 6 && path[2] == L'?' && IsDriveLetter(path[4]) && path[5] == L':')
        return path.substr(0, 6);
    return std::wstring();
}

}  // namespace

std::wstring ExtendedPath(const std::wstring& path, const std::wstring& currentDir) {
    if (path.empty()) return std::wstring();
    if (IsAlreadyExtended(path)) return path;

    std::wstring root, rest;
    if (!SplitAbsolute(path, &root, &rest)) {
        if (IsUnc(path)) return std::wstring();  // a server with no share names no folder
        const std::wstring base = ExtendedPath(currentDir, std::wstring());
        root = RootOfExtended(base);
        if (root.empty()) return std::wstring();
        if (HasDrive(path)) {
            // "D:name": in the current folder when that is on drive D, else in D's root.
            const bool onDrive = root.size() == 6 && (root[4] | 0x20) == (path[0] | 0x20);
            if (onDrive) {
                rest = base.substr(root.size()) + L"\\" + path.substr(2);
            } else {
                root = L"\\\\?\\" + path.substr(0, 2);
                rest = path.substr(2);
            }
        } else {
            // "\name" starts at the root of the current folder's drive or share; "name" in
            // the current folder itself.
            rest = IsSeparator(path[0]) ? path : base.substr(root.size()) + L"\\" + path;
        }
    }

    std::vector<std::wstring> segments;
    Resolve(rest, &segments);
    const bool endsInSeparator = IsSeparator(path.back());
    if (!endsInSeparator && !segments.empty()) {
        std::wstring& last = segments.back();
        while (!last.empty() && (last.back() == L'.' || last.back() == L' ')) last.pop_back();
        if (last.empty()) segments.pop_back();
    }

    std::wstring out = root;
    for (const std::wstring& segment : segments) out += L"\\" + segment;
    // A drive's root needs its separator ("\\?\C:" is the volume itself), and a folder named
    // with a final separator keeps it.
    if (segments.empty() || endsInSeparator) out += L'\\';
    return out;
}

bool HasOverlongName(const std::wstring& path, bool utf8Names) {
    constexpr size_t kLimit = 255;
    size_t units = 0, bytes = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || IsSeparator(path[i])) {
            if (units > kLimit || (utf8Names && bytes > kLimit)) return true;
            units = bytes = 0;
            continue;
        }
        const unsigned long c = static_cast<unsigned long>(path[i]);
        if (IsLowSurrogate(c)) {
            units += 1;  // second half of a pair: its bytes were counted with the first
        } else if (IsHighSurrogate(c)) {
            units += 1;
            bytes += 4;
        } else {
            units += c > 0xFFFF ? 2 : 1;
            bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : c <= 0xFFFF ? 3 : 4;
        }
    }
    return false;
}

}  // namespace afx
