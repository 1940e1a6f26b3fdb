#include "url/utf8_decoder.h"

Utf8Decoder::Step Utf8Decoder::Push(unsigned char byte, char32_t& out) {
    if (m_needed == 0) {
        if (byte < 0x80) {
            out = byte;
            return Step::CodePoint;
        }
        if (byte >= 0xC2 && byte <= 0xDF) {
            m_needed = 1;
            m_codePoint = byte & 0x1F;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            // E0 and ED narrow the second byte: no overlong forms, no surrogates.
            if (byte == 0xE0) m_lower = 0xA0;
            if (byte == 0xED) m_upper = 0x9F;
            m_needed = 2;
            m_codePoint = byte & 0x0F;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            // F0 and F4 keep the value between U+10000 and U+10FFFF.
            if (byte == 0xF0) m_lower = 0x90;
            if (byte == 0xF4) m_upper = 0x8F;
            m_needed = 3;
            m_codePoint = byte & 0x07;
        } else {
            return Step::Error;
        }
        return Step::Pending;
    }
    if (byte < m_lower || byte > m_upper) {
        Reset();
        return Step::ErrorAgain;
    }
    m_lower = 0x80;
    m_upper = 0xBF;
    m_codePoint = (m_codePoint << 6) | (byte & 0x3F);
    if (++m_seen < m_needed) return Step::Pending;
    out = m_codePoint;
    Reset();
    return Step::CodePoint;
}

bool IsValidUtf8(std::string_view text) {
    Utf8Decoder decoder;
    char32_t codePoint;
    for (char c : text) {
        Utf8Decoder::Step step = decoder.Push(static_cast<unsigned char>(c), codePoint);
        if (step == Utf8Decoder::Step::Error || step == Utf8Decoder::Step::ErrorAgain) return false;
    }
    return !decoder.InsideCharacter();
}
