// Whole-file reads (writes whole or not at all are afx/whole_file.h).
#pragma once

#include <string>

namespace mavrel {

enum class ReadOutcome { kRead, kMissing, kFailed, kTooLarge };

// The whole content of the file. kMissing when neither the file nor its folder exists;
// kTooLarge, with no content, when it holds more than `maxBytes`.
ReadOutcome ReadFileContent(const std::string& path, std::string* content,
                            size_t maxBytes = static_cast<size_t>(-1));

}  // namespace mavrel
