#pragma once

#include <string>
#include <string_view>

namespace mht {

// Reads the character reference that starts at s[pos] == '&' as HTML does: every named
// reference of the Standard (the longest name that matches; the old ones also without their
// ';'), and numeric ones, with their repairs (NUL, surrogates and values past U+10FFFF become
// U+FFFD; 0x80-0x9F are read as windows-1252, as browsers do). In an attribute value a named
// reference without its ';' that is followed by '=' or a letter or digit stays as written
// ("?a=1&copy=2"). Appends the UTF-8 text and returns the bytes read, or 0 when the '&' starts
// no reference and stands for itself.
size_t ReadCharacterReference(std::string_view s, size_t pos, bool inAttribute, std::string& out);

// Replaces the character references of an attribute value, as above. Those standing for
// characters above ASCII become UTF-8 when `utf8` is true; otherwise they are left as written,
// since the bytes around them are in another charset and no conversion is made.
std::string DecodeHtmlEntities(std::string_view text, bool utf8 = true);

// The same for a URL attribute, whose bytes are in the page's charset: a reference to a
// character above ASCII becomes the %XX of its UTF-8 bytes, which names that character in a
// path or host whatever the page's charset, so the value stays in one encoding.
std::string DecodeUrlEntities(std::string_view text);

// Appends the UTF-8 bytes of a code point (U+FFFD for one that is not a character).
void AppendUtf8(std::string& out, unsigned long codePoint);

}  // namespace mht
