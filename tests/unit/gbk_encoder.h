// The code page the list tests convert into: GBK. Under Windows it is the process code page
// (the tests run with code page 936); natively iconv stands in for it.
#pragma once

#include <string>

#ifdef _WIN32
#include "afx/codepage.h"

inline bool EncodeGbkChar(char32_t codePoint, std::string& out) {
    return afx::EncodeAnsiChar(codePoint, out);
}
#else
#include <iconv.h>

inline bool EncodeGbkChar(char32_t codePoint, std::string& out) {
    iconv_t cd = iconv_open("GBK", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    char in[4] = {static_cast<char>(codePoint & 0xFF), static_cast<char>((codePoint >> 8) & 0xFF),
                  static_cast<char>((codePoint >> 16) & 0xFF), 0};
    char buffer[8];
    char* inPtr = in;
    char* outPtr = buffer;
    size_t inLeft = 4, outLeft = sizeof buffer;
    bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (ok) out.assign(buffer, sizeof buffer - outLeft);
    return ok;
}
#endif
