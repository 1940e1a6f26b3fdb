// A file written whole or not at all: the bytes go to a temporary file in the target's
// folder, which is flushed and then takes the target's name in one rename. A reader never
// sees half a file, and a failure (a full disk, a name the file system refuses) leaves the
// target as it was and no temporary file behind.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace afx {

// How long a replace that finds the target busy (open elsewhere, or being replaced by another
// thread) keeps trying, in pauses that double from 1 ms.
constexpr unsigned kBusyTargetRetryMs = 1000;

// `path` is any wide path (see WidePath). With `overwrite` false it fails (HRESULT of
// ERROR_ALREADY_EXISTS) when the target exists. Threads may write at once, also to one name:
// each thread has a temporary file of its own, deletes only that one, and a write that cannot
// replace the target leaves the file there as it is.
HRESULT WriteWholeFile(const std::wstring& path, std::string_view bytes, bool overwrite);

}  // namespace afx
