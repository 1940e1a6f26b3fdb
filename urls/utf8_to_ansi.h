// A line of a UTF-8 list turned into the ANSI code page for the URL table. Free of Windows
// headers: the code page itself is reached through `AnsiCharEncoder`.
#pragma once

#include <functional>
#include <string>

// The ANSI bytes of one character above U+007F; false when the code page has no such character.
using AnsiCharEncoder = std::function<bool(char32_t codePoint, std::string& ansi)>;

// ASCII is kept as it is; every other character becomes its ANSI bytes, or, where the code page
// cannot hold it, the percent-encoding of its UTF-8 bytes ("%E2%82%AC"), which names the same
// resource in a URL. Malformed bytes count as U+FFFD, as a browser decodes them.
std::string Utf8ToAnsi(const std::string& utf8, const AnsiCharEncoder& encoder);
