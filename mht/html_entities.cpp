#include "mht/html_entities.h"

#include "url/ascii.h"

namespace mht {
namespace {

// What a numeric reference above 0x7F becomes.
enum class NonAscii { kUtf8, kAsWritten, kPercentUtf8 };

struct NamedEntity {
    const char* name;
    const char* text;
};

// The references that turn up in URLs and titles; others stay as written.
const NamedEntity kNamedEntities[] = {
    {"amp", "&"},    {"lt", "<"},     {"gt", ">"},       {"quot", "\""}, {"apos", "'"},
    {"sol", "/"},    {"colon", ":"},  {"equals", "="},   {"quest", "?"}, {"num", "#"},
    {"percnt", "%"}, {"period", "."}, {"comma", ","},    {"lpar", "("},  {"rpar", ")"},
    {"lowbar", "_"}, {"semi", ";"},   {"excl", "!"},     {"plus", "+"},  {"commat", "@"},
    {"tilde", "~"},  {"Tab", "\t"},   {"NewLine", "\n"},
};

// Without their ";" only these are recognised, as browsers do ("&ampx" in a query stays).
bool IsLegacyName(std::string_view name) {
    return name == "amp" || name == "lt" || name == "gt" || name == "quot";
}

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

using ascii::HexValue;

// Decodes "&#..." at `pos`; returns the length consumed, 0 when it is not a reference.
size_t DecodeNumeric(std::string_view s, size_t pos, NonAscii mode, std::string& out) {
    size_t i = pos + 2;
    int radix = 10;
    if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
        radix = 16;
        ++i;
    }
    size_t digitsStart = i;
    unsigned long value = 0;
    while (i < s.size()) {
        int d = radix == 16 ? HexValue(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (d < 0) break;
        if (value <= 0x10FFFF) value = value * radix + d;
        ++i;
    }
    if (i == digitsStart) return 0;
    if (i < s.size() && s[i] == ';') ++i;
    if (value < 0x80 && value != 0) {
        out += static_cast<char>(value);
    } else if (mode == NonAscii::kUtf8) {
        AppendUtf8(out, value);
    } else if (mode == NonAscii::kPercentUtf8) {
        static const char kHex[] = "0123456789ABCDEF";
        std::string utf8;
        AppendUtf8(utf8, value);
        for (unsigned char c : utf8) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    } else {
        out.append(s.substr(pos, i - pos));
    }
    return i - pos;
}

size_t DecodeNamed(std::string_view s, size_t pos, std::string& out) {
    size_t i = pos + 1;
    while (i < s.size() && IsAlnum(s[i]) && i - pos <= 10) ++i;
    std::string_view name = s.substr(pos + 1, i - pos - 1);
    bool terminated = i < s.size() && s[i] == ';';
    if (!terminated) {
        bool followedByNameChar = i < s.size() && (IsAlnum(s[i]) || s[i] == '=');
        if (!IsLegacyName(name) || followedByNameChar) return 0;
    }
    for (const NamedEntity& e : kNamedEntities) {
        if (name == e.name) {
            out += e.text;
            return name.size() + 1 + (terminated ? 1 : 0);
        }
    }
    return 0;
}

}  // namespace

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

namespace {

std::string Decode(std::string_view s, NonAscii mode) {
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        size_t amp = s.find('&', i);
        if (amp == std::string_view::npos) {
            out.append(s.substr(i));
            break;
        }
        out.append(s.substr(i, amp - i));
        size_t used = 0;
        if (amp + 1 < s.size() && s[amp + 1] == '#') {
            used = DecodeNumeric(s, amp, mode, out);
        } else {
            used = DecodeNamed(s, amp, out);
        }
        if (used == 0) {
            out += '&';
            used = 1;
        }
        i = amp + used;
    }
    return out;
}

}  // namespace

std::string DecodeHtmlEntities(std::string_view s, bool utf8) {
    return Decode(s, utf8 ? NonAscii::kUtf8 : NonAscii::kAsWritten);
}

std::string DecodeUrlEntities(std::string_view s) {
    return Decode(s, NonAscii::kPercentUtf8);
}

}  // namespace mht
