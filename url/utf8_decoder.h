// A byte-at-a-time UTF-8 decoder that accepts only well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF), the way browsers decode it. Free of Windows headers.
#pragma once

#include <cstdint>
#include <string_view>

class Utf8Decoder {
public:
    enum class Step {
        Pending,    // inside a character: feed the next byte
        CodePoint,  // `out` holds a whole character
        Error,      // the bytes so far form no character
        ErrorAgain  // no character, and this byte starts afresh: feed it once more
    };

    Step Push(unsigned char byte, char32_t& out);
    // True when a character has begun and not ended (an error if the text ends here).
    bool InsideCharacter() const { return m_needed != 0; }
    void Reset() { *this = Utf8Decoder(); }

private:
    int m_needed = 0;
    int m_seen = 0;
    char32_t m_codePoint = 0;
    unsigned char m_lower = 0x80;
    unsigned char m_upper = 0xBF;
};

// True when `text` is well-formed UTF-8 throughout, by the decoder above.
bool IsValidUtf8(std::string_view text);
