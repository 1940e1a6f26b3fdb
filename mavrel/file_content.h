// Whole-file reads and all-or-nothing file writes.
#pragma once

#include <cstddef>
#include <string>

namespace mavrel {

// Writes the bytes to a temporary file in the folder of `path`, flushes it and moves it onto
// `path` in one step, so that `path` holds either its old content or the whole new one. On
// failure the temporary file is removed and `path` is left as it was. Threads may call this
// at once; each gets a temporary file of its own.
bool ReplaceFileContent(const std::string& path, const char* data, size_t size);

enum class ReadOutcome { kRead, kMissing, kFailed, kTooLarge };

// The whole content of the file. kMissing when neither the file nor its folder exists;
// kTooLarge, with no content, when it holds more than `maxBytes`.
ReadOutcome ReadFileContent(const std::string& path, std::string* content,
                            size_t maxBytes = static_cast<size_t>(-1));

}  // namespace mavrel
