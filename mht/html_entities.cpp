#include "mht/html_entities.h"

#include <array>
#include <cstring>

#include "mht/html_entity_table.h"

namespace mht {
namespace {

// What a reference to a character above ASCII becomes.
enum class NonAscii { kUtf8, kAsWritten, kPercentUtf8 };

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c);
}

int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// What browsers make of &#128; to &#159;: the windows-1252 characters those bytes stand for
// (0 where windows-1252 has none and the code point stays).
const unsigned short kC1Replacements[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

size_t ReadNumeric(std::string_view s, size_t pos, std::string& out) {
    size_t i = pos + 2;
    int radix = 10;
    if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
        radix = 16;
        ++i;
    }
    size_t digitsStart = i;
    unsigned long value = 0;
    while (i < s.size()) {
        int d = radix == 16 ? HexValue(s[i]) : (IsDigit(s[i]) ? s[i] - '0' : -1);
        if (d < 0) break;
        if (value <= 0x10FFFF) value = value * radix + d;  // past it, the value no longer counts
        ++i;
    }
    if (i == digitsStart) return 0;
    if (i < s.size() && s[i] == ';') ++i;
    if (value >= 0x80 && value <= 0x9F && kC1Replacements[value - 0x80] != 0) {
        value = kC1Replacements[value - 0x80];
    }
    AppendUtf8(out, value);  // NUL, surrogates and values past U+10FFFF give U+FFFD
    return i - pos;
}

// The reference names in [lo, hi) share their first `depth` characters; narrows the range to
// those whose next character is c.
void Narrow(size_t depth, char c, size_t& lo, size_t& hi) {
    auto at = [depth](size_t k) {
        return static_cast<unsigned char>(kNamedReferences[k].name[depth]);
    };
    const unsigned char key = static_cast<unsigned char>(c);
    size_t a = lo, b = hi;
    while (a < b) {
        size_t mid = a + (b - a) / 2;
        if (at(mid) < key)
            a = mid + 1;
        else
            b = mid;
    }
    size_t first = a;
    b = hi;
    while (a < b) {
        size_t mid = a + (b - a) / 2;
        if (at(mid) <= key)
            a = mid + 1;
        else
            b = mid;
    }
    lo = first;
    hi = a;
}

// The names that start with each ASCII character, as a range of the table.
struct NameRange {
    size_t lo = 0, hi = 0;
};
const std::array<NameRange, 128>& NamesByFirstCharacter() {
    static const std::array<NameRange, 128> ranges = [] {
        std::array<NameRange, 128> r{};
        for (size_t k = 0; k < kNamedReferenceCount; ++k) {
            NameRange& range = r[static_cast<unsigned char>(kNamedReferences[k].name[0]) & 127];
            if (range.hi == 0) range.lo = k;
            range.hi = k + 1;
        }
        return r;
    }();
    return ranges;
}

size_t ReadNamed(std::string_view s, size_t pos, bool inAttribute, std::string& out) {
    size_t lo = 0, hi = kNamedReferenceCount;
    size_t matched = 0;
    const char* text = nullptr;
    for (size_t depth = 0; pos + 1 + depth < s.size(); ++depth) {
        char c = s[pos + 1 + depth];
        if (!IsAlnum(c) && c != ';') break;
        if (depth == 0) {
            const NameRange& range = NamesByFirstCharacter()[static_cast<unsigned char>(c)];
            lo = range.lo;
            hi = range.hi;
        } else {
            Narrow(depth, c, lo, hi);
        }
        if (lo == hi) break;
        // The shortest name of the range comes first: it is whole when it ends here.
        if (kNamedReferences[lo].name[depth + 1] == '\0') {
            matched = depth + 1;
            text = kNamedReferences[lo].text;
        }
        if (c == ';') break;
    }
    if (matched == 0) return 0;
    if (inAttribute && s[pos + matched] != ';' && pos + 1 + matched < s.size()) {
        char next = s[pos + 1 + matched];
        if (next == '=' || IsAlnum(next)) return 0;  // kept as written, for old query strings
    }
    out += text;
    return matched + 1;
}

std::string Decode(std::string_view s, NonAscii mode) {
    static const char kHex[] = "0123456789ABCDEF";
    // A URL also stops at a NUL, which becomes the %XX of U+FFFD.
    static const char kStops[] = {'&', '\0'};
    const size_t stops = mode == NonAscii::kPercentUtf8 ? 2 : 1;
    std::string out;
    out.reserve(s.size());
    std::string text;
    size_t i = 0;
    while (i < s.size()) {
        size_t amp = s.find_first_of(kStops, i, stops);
        if (amp == std::string_view::npos) {
            out.append(s.substr(i));
            break;
        }
        out.append(s.substr(i, amp - i));
        if (s[amp] == '\0') {
            out += "%EF%BF%BD";
            i = amp + 1;
            continue;
        }
        text.clear();
        size_t used = ReadCharacterReference(s, amp, true, text);
        if (used == 0) {
            out += '&';
            i = amp + 1;
            continue;
        }
        bool ascii = true;
        for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii || mode == NonAscii::kUtf8) {
            out += text;
        } else if (mode == NonAscii::kAsWritten) {
            out.append(s.substr(amp, used));
        } else {
            for (char c : text) {
                unsigned char b = static_cast<unsigned char>(c);
                if (b < 0x80) {
                    out += c;
                } else {
                    out += '%';
                    out += kHex[b >> 4];
                    out += kHex[b & 15];
                }
            }
        }
        i = amp + used;
    }
    return out;
}

}  // namespace

size_t ReadCharacterReference(std::string_view s, size_t pos, bool inAttribute, std::string& out) {
    if (pos + 1 >= s.size()) return 0;
    if (s[pos + 1] == '#') return ReadNumeric(s, pos, out);
    if (IsAlnum(s[pos + 1])) return ReadNamed(s, pos, inAttribute, out);
    return 0;
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string DecodeHtmlEntities(std::string_view s, bool utf8) {
    return Decode(s, utf8 ? NonAscii::kUtf8 : NonAscii::kAsWritten);
}

std::string DecodeUrlEntities(std::string_view s) {
    return Decode(s, NonAscii::kPercentUtf8);
}

}  // namespace mht
