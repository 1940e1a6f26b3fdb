#pragma once

#include <string>
#include <string_view>

namespace mht {

// Replaces character references in attribute values and text: the common named ones (&amp;
// &lt; &quot; ...) and numeric ones (&#38; &#x26;). Numeric references above 0x7F become UTF-8
// when `utf8` is true; otherwise they are left as written, since the bytes around them are in
// another charset and no conversion is made.
std::string DecodeHtmlEntities(std::string_view text, bool utf8 = true);

// The same for a URL attribute, whose bytes are in the page's charset: a numeric reference
// above 0x7F becomes the %XX of its UTF-8 bytes, which names that character in a path or host
// whatever the page's charset, so the value stays in one encoding.
std::string DecodeUrlEntities(std::string_view text);

// Appends the UTF-8 bytes of a code point (U+FFFD for one that is not a character).
void AppendUtf8(std::string& out, unsigned long codePoint);

}  // namespace mht
