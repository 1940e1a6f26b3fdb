// Which encoding a URL list is in, decided in one pass over its bytes in any number of pieces,
// with no more memory than one character. A list that starts with the UTF-8 byte-order mark,
// or that is well-formed UTF-8 throughout and holds at least one byte above 0x7F, is UTF-8
// (what Notepad saves, with or without the mark); any other list is in the ANSI code page.
// Free of Windows headers.
#pragma once

#include <cstddef>

#include "url/utf8_decoder.h"

enum class ListEncoding { Ansi, Utf8 };

class ListEncodingDetector {
public:
    void Feed(const char* bytes, size_t length);
    // The decision for the bytes fed so far, taken as the whole file.
    ListEncoding Result() const;
    bool StartsWithByteOrderMark() const { return m_bom && m_offset >= 3; }

private:
    size_t m_offset = 0;  // bytes fed so far, to find the mark at the start
    bool m_bom = false;
    bool m_nonAscii = false;
    bool m_malformed = false;
    Utf8Decoder m_decoder;
};
