// Path text operations that walk characters of the process code page, so that a GBK trail
// byte of 0x5C or 0x2F is never taken for a separator.
#pragma once

#include <string>

namespace mavrel {

// The path with its trailing '\' and '/' removed and one '\' appended; empty stays empty.
std::string WithOneTrailingBackslash(const std::string& path);

// The leading part of `path` up to and including its last '\', '/' or drive ':'; empty when
// the path names a file in the current directory.
std::string FolderOf(const std::string& path);

}  // namespace mavrel
