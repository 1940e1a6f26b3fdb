#pragma once

#include <string>
#include <string_view>

namespace mht {

// The charset a style sheet's bytes are read in, as browsers decide it: a byte order mark, then
// the Content-Type's charset, then a leading @charset rule, then the charset of the document
// that refers to it. Lower case; empty when nothing names one.
std::string StylesheetCharset(std::string_view body, std::string_view contentType,
                              std::string_view referrerCharset);

}  // namespace mht
