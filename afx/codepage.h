// Conversions between the process's ANSI code page and Unicode, for the text the program keeps
// in the ANSI code page (the URL table) and the places that need Unicode (UTF-8 lists, URLs).
#pragma once

#include <string>

namespace afx {

// The ANSI bytes of one character; false when the code page has no exact equivalent (a
// best-fit substitute is not one).
bool EncodeAnsiChar(char32_t codePoint, std::string& ansi);

// ANSI text as UTF-8 (through UTF-16, as Windows converts it). Bytes that form no character of
// the code page come out as Windows maps them.
std::string AnsiToUtf8(const std::string& ansi);

// UTF-16 and back for the calls that take wide text.
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

}  // namespace afx
