// A host name with non-ASCII characters in its IDNA ASCII form ("xn--..."), as the platform
// converts it (IdnToAscii).
#pragma once

#include <string>

namespace afx {

// `utf8Host` as ASCII; false when the name cannot be converted (a browser refuses it then).
bool IdnaToAscii(const std::string& utf8Host, std::string& asciiHost);

}  // namespace afx
