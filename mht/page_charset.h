#pragma once
// Readers hand an archived page's raw bytes to the HTML parser and ignore the part's charset,
// so a charset that only the HTTP header named must be written into the page itself.

#include <cstddef>
#include <string>
#include <string_view>

namespace mht {

// Makes an HTML part carry its charset. `pageCharset` is what the page declares itself (by
// <meta>), `metaInsertPos` where a meta tag would go (both from ScanHtml). A byte order mark
// decides over both. When the page declares a charset, the part's Content-Type is made to
// name it; when only the Content-Type names one, a <meta http-equiv> naming it is inserted into
// `body`. Returns the charset in effect, lower case; empty when nothing names one.
std::string DeclarePageCharset(std::string& body, std::string& contentType,
                               std::string_view pageCharset, size_t metaInsertPos);

// The charset to name for header text taken from a page (its title): the page's own, with
// "gb2312" widened to "gbk" as browsers read it; if the page names none, "utf-8" when the text
// is valid UTF-8, else "gbk", this program's own code page.
std::string HeaderCharsetFor(std::string_view text, std::string_view pageCharset);

}  // namespace mht
