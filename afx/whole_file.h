// A file written whole or not at all: the bytes go to a temporary file in the target's
// folder, which is flushed and then takes the target's name in one rename. A reader never
// sees half a file, and a failure (a full disk, a name the file system refuses) leaves the
// target as it was and no temporary file behind.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace afx {

// `path` is any wide path (see WidePath). With `overwrite` false it fails (HRESULT of
// ERROR_ALREADY_EXISTS) when the target exists. Threads may write at once: each thread has a
// temporary file of its own.
HRESULT WriteWholeFile(const std::wstring& path, std::string_view bytes, bool overwrite);

}  // namespace afx
