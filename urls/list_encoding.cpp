#include "urls/list_encoding.h"

namespace {
const unsigned char kByteOrderMark[3] = {0xEF, 0xBB, 0xBF};
}

void ListEncodingDetector::Feed(const char* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i, ++m_offset) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (m_offset < 3) {
            bool markSoFar = (m_offset == 0 || m_bom) && byte == kByteOrderMark[m_offset];
            // Provisional until the third byte; a file of only "EF BB" is no mark.
            m_bom = markSoFar;
        }
        if (byte >= 0x80) m_nonAscii = true;
        if (m_malformed) continue;
        char32_t ignored;
        Utf8Decoder::Step step = m_decoder.Push(byte, ignored);
        if (step == Utf8Decoder::Step::Error || step == Utf8Decoder::Step::ErrorAgain)
            m_malformed = true;
    }
}

ListEncoding ListEncodingDetector::Result() const {
    if (StartsWithByteOrderMark()) return ListEncoding::Utf8;
    bool wellFormed = !m_malformed && !m_decoder.InsideCharacter();
    return (wellFormed && m_nonAscii) ? ListEncoding::Utf8 : ListEncoding::Ansi;
}
