// A file written whole or not at all: the bytes go to a temporary file in the target's
// folder, which is flushed and then takes the target's name in one rename. A reader never
// sees half a file, and a failure (a full disk, a name the file system refuses) leaves the
// target as it was and no temporary file behind. Only a process killed while writing leaves
// one; RemoveAbandonedTemporaryFiles clears those.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace afx {

// How long a file call that finds its file busy keeps trying, in pauses that double from 1 ms:
// a replace whose target is open elsewhere or being replaced by another thread, or a temporary
// file being cleared away at that moment.
constexpr unsigned kBusyTargetRetryMs = 1000;

// `path` is any wide path (see WidePath). With `overwrite` false it fails (HRESULT of
// ERROR_ALREADY_EXISTS) when the target exists. Threads may write at once, also to one name:
// each thread has a temporary file of its own, deletes only that one, and a write that cannot
// replace the target leaves the file there as it is. The temporary file is held open from its
// creation until it has the target's name or is gone.
HRESULT WriteWholeFile(const std::wstring& path, std::string_view bytes, bool overwrite);

// Deletes the temporary files of WriteWholeFile that no one holds open from `folder` (a wide
// path ending in "\"): those a process killed while writing left. Names of any other form
// stay, and so do files open anywhere, such as those another running process is writing.
void RemoveAbandonedTemporaryFiles(const std::wstring& folder);

}  // namespace afx
