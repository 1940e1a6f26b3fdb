#include "mht/mime_encode.h"

#include "url/ascii.h"

namespace mht {
namespace {

const char kHex[] = "0123456789ABCDEF";
const size_t kMaxLine = 76;
const size_t kMaxEncodedWord = 75;

void AppendHexEscape(std::string& out, unsigned char c) {
    out += '=';
    out += kHex[c >> 4];
    out += kHex[c & 15];
}

bool IsCrLfAt(std::string_view s, size_t i) {
    return i + 1 < s.size() && s[i] == '\r' && s[i + 1] == '\n';
}

enum class CharWidth { kSingle, kUtf8, kDoubleByte };

CharWidth WidthRule(std::string_view charset) {
    std::string cs = ascii::Lower(charset);
    if (cs == "utf-8" || cs == "utf8") return CharWidth::kUtf8;
    static const char* const kDoubleByte[] = {
        "gbk",   "gb2312",     "gb18030", "x-gbk",          "cp936", "windows-936",
        "big5",  "big5-hkscs", "cp950",   "shift_jis",      "sjis",  "windows-31j",
        "cp932", "euc-kr",     "cp949",   "ks_c_5601-1987", "euc-jp"};
    for (const char* name : kDoubleByte) {
        if (cs == name) return CharWidth::kDoubleByte;
    }
    return CharWidth::kSingle;
}

// Length of the character starting at `i`, so that no encoded word splits one.
size_t CharLength(std::string_view s, size_t i, CharWidth rule) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = 1;
    if (rule == CharWidth::kUtf8 && c >= 0xC0) {
        n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        size_t k = 1;
        while (k < n && i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80)
            ++k;
        n = k;
    } else if (rule == CharWidth::kDoubleByte && c >= 0x81 && c != 0xFF) {
        bool fourByte = i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9';  // GB18030
        n = fourByte ? 4 : 2;
    }
    return i + n <= s.size() ? n : s.size() - i;
}

bool IsQSafe(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '!' ||
           c == '*' || c == '+' || c == '-' || c == '/';
}

size_t QLength(std::string_view bytes) {
    size_t n = 0;
    for (char c : bytes) n += (IsQSafe(static_cast<unsigned char>(c)) || c == ' ') ? 1 : 3;
    return n;
}

size_t BLength(size_t bytes) {
    return (bytes + 2) / 3 * 4;
}

// Base64 of the bytes, without line breaks, into `out` (room for BLength(bytes.size()));
// returns the length written.
size_t EncodeBase64Block(std::string_view data, char* out) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    char* start = out;
    size_t i = 0;
    for (; i + 2 < data.size(); i += 3) {
        unsigned long v = (static_cast<unsigned char>(data[i]) << 16) |
                          (static_cast<unsigned char>(data[i + 1]) << 8) |
                          static_cast<unsigned char>(data[i + 2]);
        *out++ = kAlphabet[(v >> 18) & 63];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = kAlphabet[(v >> 6) & 63];
        *out++ = kAlphabet[v & 63];
    }
    if (i < data.size()) {
        unsigned long v = static_cast<unsigned char>(data[i]) << 16;
        if (i + 1 < data.size()) v |= static_cast<unsigned char>(data[i + 1]) << 8;
        *out++ = kAlphabet[(v >> 18) & 63];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = i + 1 < data.size() ? kAlphabet[(v >> 6) & 63] : '=';
        *out++ = '=';
    }
    return static_cast<size_t>(out - start);
}

std::string EncodeBase64Raw(std::string_view data) {
    std::string out(BLength(data.size()), '\0');
    out.resize(EncodeBase64Block(data, &out[0]));
    return out;
}

std::string EncodeQ(std::string_view bytes) {
    std::string out;
    for (char ch : bytes) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == ' ') {
            out += '_';
        } else if (IsQSafe(c)) {
            out += ch;
        } else {
            AppendHexEscape(out, c);
        }
    }
    return out;
}

// Output that only counts, for the exact length of an encoding.
struct LengthCounter {
    size_t length = 0;
    void append(const char*, size_t n) { length += n; }
};

// Output handed to a sink in pieces of about kPieceBytes, so that encoding a body of many MB
// never holds its whole encoded text.
class PiecewiseOutput {
public:
    explicit PiecewiseOutput(const TextSink& sink) : sink_(sink) { buffer_.reserve(kPieceBytes); }
    void append(const char* p, size_t n) {
        buffer_.append(p, n);
        if (buffer_.size() >= kPieceBytes) Flush();
    }
    void Flush() {
        if (!buffer_.empty()) sink_(buffer_);
        buffer_.clear();
    }

private:
    static constexpr size_t kPieceBytes = 64 * 1024;
    const TextSink& sink_;
    std::string buffer_;
};

template <class Output>
void QuotedPrintableTo(std::string_view data, Output& out) {
    size_t lineLength = 0;
    char token[3];
    for (size_t i = 0; i < data.size(); ++i) {
        if (IsCrLfAt(data, i)) {
            out.append("\r\n", 2);
            lineLength = 0;
            ++i;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(data[i]);
        bool atLineEnd = i + 1 == data.size() || IsCrLfAt(data, i + 1);
        bool literal =
            (c >= 0x21 && c <= 0x7E && c != '=') || ((c == ' ' || c == '\t') && !atLineEnd);
        size_t tokenLength = literal ? 1 : 3;
        if (literal) {
            token[0] = static_cast<char>(c);
        } else {
            token[0] = '=';
            token[1] = kHex[c >> 4];
            token[2] = kHex[c & 15];
        }
        // The last token of a line may use the column a soft break's "=" would need.
        if (lineLength + tokenLength > (atLineEnd ? kMaxLine : kMaxLine - 1)) {
            out.append("=\r\n", 3);
            lineLength = 0;
        }
        out.append(token, tokenLength);
        lineLength += tokenLength;
        if (c == '\n' && !atLineEnd) {
            out.append("=\r\n", 3);
            lineLength = 0;
        }
    }
}

// 57 bytes make one line of 76 characters.
constexpr size_t kBase64LineBytes = kMaxLine / 4 * 3;

template <class Output>
void Base64To(std::string_view data, Output& out) {
    for (size_t i = 0; i < data.size(); i += kBase64LineBytes) {
        if (i > 0) out.append("\r\n", 2);
        std::string_view bytes = data.substr(i, kBase64LineBytes);
        char line[kMaxLine];
        out.append(line, EncodeBase64Block(bytes, line));
    }
}

// Either encoding, whole into a string of the length known beforehand, or in pieces to a sink.
std::string EncodeToString(std::string_view data, size_t length,
                           void (*encode)(std::string_view, std::string&)) {
    std::string out;
    out.reserve(length);
    encode(data, out);
    return out;
}

void EncodeToSink(std::string_view data, const TextSink& sink,
                  void (*encode)(std::string_view, PiecewiseOutput&)) {
    PiecewiseOutput out(sink);
    encode(data, out);
    out.Flush();
}

}  // namespace

size_t QuotedPrintableLength(std::string_view data) {
    LengthCounter counter;
    QuotedPrintableTo(data, counter);
    return counter.length;
}

size_t Base64Length(size_t bytes) {
    const size_t lines = (bytes + kBase64LineBytes - 1) / kBase64LineBytes;
    return BLength(bytes) + (lines > 1 ? 2 * (lines - 1) : 0);
}

std::string EncodeQuotedPrintable(std::string_view data) {
    return EncodeToString(data, QuotedPrintableLength(data), QuotedPrintableTo<std::string>);
}

void EncodeQuotedPrintable(std::string_view data, const TextSink& sink) {
    EncodeToSink(data, sink, QuotedPrintableTo<PiecewiseOutput>);
}

std::string EncodeBase64(std::string_view data) {
    return EncodeToString(data, Base64Length(data.size()), Base64To<std::string>);
}

void EncodeBase64(std::string_view data, const TextSink& sink) {
    EncodeToSink(data, sink, Base64To<PiecewiseOutput>);
}

bool IsHeaderSafeAscii(std::string_view text) {
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return text.find("=?") == std::string_view::npos;
}

std::string EncodeHeaderWords(std::string_view text, std::string_view charset, char encoding,
                              size_t firstLineUsed) {
    const bool b = encoding == 'B' || encoding == 'b';
    const std::string prefix = "=?" + std::string(charset) + (b ? "?B?" : "?Q?");
    const size_t overhead = prefix.size() + 2;
    CharWidth rule = WidthRule(charset);
    std::string out;
    size_t i = 0;
    bool first = true;
    while (i < text.size()) {
        size_t room = kMaxEncodedWord;
        if (first && firstLineUsed + kMaxEncodedWord > kMaxLine) {
            room = firstLineUsed < kMaxLine ? kMaxLine - firstLineUsed : 0;
        }
        // Take whole characters while the word fits; at least one, so a word always progresses.
        size_t end = i;
        size_t qLength = 0;
        while (end < text.size()) {
            size_t n = CharLength(text, end, rule);
            size_t encoded = b ? BLength(end + n - i) : qLength + QLength(text.substr(end, n));
            if (end > i && overhead + encoded > room) break;
            qLength += b ? 0 : QLength(text.substr(end, n));
            end += n;
        }
        std::string_view chunk = text.substr(i, end - i);
        if (!first) out += "\r\n ";
        out += prefix;
        out += b ? EncodeBase64Raw(chunk) : EncodeQ(chunk);
        out += "?=";
        first = false;
        i = end;
    }
    return out;
}

std::string EncodeHeaderText(std::string_view text, std::string_view charset,
                             size_t firstLineUsed) {
    const size_t kMaxHeaderLine = 998;  // RFC 5322's hard limit
    if (IsHeaderSafeAscii(text) && firstLineUsed + text.size() <= kMaxHeaderLine) {
        return std::string(text);
    }
    bool useQ = QLength(text) <= BLength(text.size());
    return EncodeHeaderWords(text, charset, useQ ? 'Q' : 'B', firstLineUsed);
}

}  // namespace mht
