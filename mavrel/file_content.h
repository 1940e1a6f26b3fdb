// Whole-file reads (writes whole or not at all are afx/whole_file.h).
#pragma once

#include <string>

namespace mavrel {

enum class ReadOutcome { kRead, kMissing, kFailed };

// The whole content of the file. kMissing when neither the file nor its folder exists.
ReadOutcome ReadFileContent(const std::string& path, std::string* content);

}  // namespace mavrel
