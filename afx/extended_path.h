// The extended-length form of a path ("\\?\C:\dir\name", "\\?\UNC\server\share\name"), which
// the wide file calls take up to 32,767 characters. Such a path is passed to the file system
// as it stands, so the normalisation the system applies to ordinary paths is done here first.
// Kept free of Windows headers so that it builds and is tested on any host.
#pragma once

#include <string>

namespace afx {

// `path` made absolute against `currentDir` (itself an absolute path, in any of the forms
// accepted here), with '/' turned into '\', runs of separators collapsed, "." and ".."
// segments resolved, a single period at the end of a segment dropped and, when the path does
// not end in a separator, its trailing periods and spaces removed: the file an ordinary path
// names. A path that already starts with "\\?\" or "\\.\" is returned as it is. Empty when
// no absolute path can be formed (an empty path, a server without a share, a relative path
// with no current directory).
std::wstring ExtendedPath(const std::wstring& path, const std::wstring& currentDir);

// True when a name in `path` is longer than a file system holds: over 255 UTF-16 units (the
// limit of Windows' file systems), or, with `utf8Names`, over 255 bytes of UTF-8 (a Unix file
// system, where Wine would silently cut the name short and so reach another file).
bool HasOverlongName(const std::wstring& path, bool utf8Names);

}  // namespace afx
