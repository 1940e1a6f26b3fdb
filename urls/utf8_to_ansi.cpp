#include "urls/utf8_to_ansi.h"

#include "url/utf8_decoder.h"

namespace {

void AppendPercentEncodedUtf8(char32_t c, std::string& out) {
    unsigned char bytes[4];
    int n;
    if (c < 0x800) {
        bytes[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        n = 2;
    } else if (c < 0x10000) {
        bytes[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
        n = 3;
    } else {
        bytes[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
        n = 4;
    }
    for (int i = 1; i < n; ++i)
        bytes[i] = static_cast<unsigned char>(0x80 | ((c >> (6 * (n - 1 - i))) & 0x3F));
    static const char kHex[] = "0123456789ABCDEF";
    for (int i = 0; i < n; ++i) {
        out += '%';
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 0x0F];
    }
}

void AppendCharacter(char32_t c, const AnsiCharEncoder& encoder, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    std::string ansi;
    if (encoder && encoder(c, ansi) && !ansi.empty())
        out += ansi;
    else
        AppendPercentEncodedUtf8(c, out);
}

}  // namespace

std::string Utf8ToAnsi(const std::string& utf8, const AnsiCharEncoder& encoder) {
    constexpr char32_t kReplacement = 0xFFFD;
    std::string out;
    out.reserve(utf8.size());
    Utf8Decoder decoder;
    for (size_t i = 0; i < utf8.size(); ++i) {
        char32_t c;
        switch (decoder.Push(static_cast<unsigned char>(utf8[i]), c)) {
            case Utf8Decoder::Step::Pending:
                break;
            case Utf8Decoder::Step::CodePoint:
                AppendCharacter(c, encoder, out);
                break;
            case Utf8Decoder::Step::Error:
                AppendCharacter(kReplacement, encoder, out);
                break;
            case Utf8Decoder::Step::ErrorAgain:
                AppendCharacter(kReplacement, encoder, out);
                --i;  // the byte that broke the character starts the next one
                break;
        }
    }
    if (decoder.InsideCharacter()) AppendCharacter(kReplacement, encoder, out);
    return out;
}
