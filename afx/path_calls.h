// File-system calls on paths of any length. The program keeps its paths as text of the ANSI
// code page; here they become extended-length wide paths, which the wide calls take up to
// 32,767 characters where the narrow ones stop at MAX_PATH.
#pragma once

#include <windows.h>

#include <string>

namespace afx {

// The extended-length form of `path` (ANSI code page text, or wide), resolved against the
// current folder as the system resolves ordinary paths; empty when none can be formed or a
// name in it is longer than the file system holds, so that every call on it fails cleanly.
std::wstring WidePath(const char* path);
std::wstring WidePath(const std::wstring& path);

// Deletes a file; true when no file of that name is left (also when there was none).
bool DeleteFileAt(const char* path);

// GetFileAttributes of the path; INVALID_FILE_ATTRIBUTES when it cannot be read.
DWORD FileAttributesAt(const char* path);

}  // namespace afx
