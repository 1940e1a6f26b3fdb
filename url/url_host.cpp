#include "url/url_host.h"

#include <cstdint>
#include <vector>

#include "url/ascii.h"
#include "url/split.h"
#include "url/utf8_decoder.h"

namespace url {
namespace {

std::string PercentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && ascii::HexValue(s[i + 1]) >= 0 &&
            ascii::HexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(ascii::HexValue(s[i + 1]) * 16 + ascii::HexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// One part of an IPv4 address: decimal, "0x" hexadecimal or "0" octal. Values too large for
// any address are capped, which keeps them too large without overflowing.
bool ParseIpv4Number(std::string_view s, uint64_t& value) {
    if (s.empty()) return false;
    int radix = 10;
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        radix = 16;
    } else if (s.size() >= 2 && s[0] == '0') {
        s.remove_prefix(1);
        radix = 8;
    }
    value = 0;
    for (char c : s) {
        int d = ascii::HexValue(c);
        if (d < 0 || d >= radix) return false;
        value = value * radix + d;
        if (value > (uint64_t(1) << 40)) value = uint64_t(1) << 40;
    }
    return true;
}

// A host whose last label is a number must be an IPv4 address (or is refused).
bool EndsInANumber(std::string_view s) {
    std::vector<std::string_view> parts = SplitAt(s, '.');
    if (parts.back().empty()) {
        if (parts.size() == 1) return false;
        parts.pop_back();
    }
    std::string_view last = parts.back();
    if (!last.empty() && last.find_first_not_of("0123456789") == std::string_view::npos) {
        return true;
    }
    uint64_t ignored;
    return last.size() >= 2 && last[0] == '0' && (last[1] == 'x' || last[1] == 'X') &&
           ParseIpv4Number(last, ignored);
}

bool ParseIpv4(std::string_view s, std::string& out) {
    std::vector<std::string_view> parts = SplitAt(s, '.');
    if (parts.back().empty() && parts.size() > 1) parts.pop_back();
    if (parts.size() > 4) return false;
    std::vector<uint64_t> numbers;
    for (std::string_view part : parts) {
        uint64_t n;
        if (!ParseIpv4Number(part, n)) return false;
        numbers.push_back(n);
    }
    for (size_t i = 0; i + 1 < numbers.size(); ++i) {
        if (numbers[i] > 255) return false;
    }
    const size_t lastShift = 8 * (5 - numbers.size());
    if (numbers.back() >= (uint64_t(1) << lastShift)) return false;
    uint64_t address = numbers.back();
    for (size_t i = 0; i + 1 < numbers.size(); ++i) address += numbers[i] << (8 * (3 - i));
    out.clear();
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (shift != 24) out += '.';
        out += std::to_string((address >> shift) & 255);
    }
    return true;
}

// Eight 16-bit pieces, "::" for one run of zeros, with an embedded IPv4 form at the end.
bool ParseIpv6(std::string_view s, uint16_t (&address)[8]) {
    for (uint16_t& piece : address) piece = 0;
    int pieceIndex = 0;
    int compress = -1;
    size_t p = 0;
    auto at = [&](size_t i) { return i < s.size() ? s[i] : '\0'; };
    if (at(p) == ':') {
        if (at(p + 1) != ':') return false;
        p += 2;
        compress = ++pieceIndex;
    }
    while (p < s.size()) {
        if (pieceIndex == 8) return false;
        if (s[p] == ':') {
            if (compress != -1) return false;
            ++p;
            compress = ++pieceIndex;
            continue;
        }
        int value = 0, length = 0;
        while (length < 4 && ascii::HexValue(at(p)) >= 0) {
            value = value * 16 + ascii::HexValue(at(p));
            ++p;
            ++length;
        }
        if (at(p) == '.') {
            if (length == 0) return false;
            p -= length;
            if (pieceIndex > 6) return false;
            int numbersSeen = 0;
            while (p < s.size()) {
                int ipv4Piece = -1;
                if (numbersSeen > 0) {
                    if (s[p] == '.' && numbersSeen < 4) {
                        ++p;
                    } else {
                        return false;
                    }
                }
                if (!(at(p) >= '0' && at(p) <= '9')) return false;
                while (at(p) >= '0' && at(p) <= '9') {
                    int number = at(p) - '0';
                    if (ipv4Piece == -1) {
                        ipv4Piece = number;
                    } else if (ipv4Piece == 0) {
                        return false;
                    } else {
                        ipv4Piece = ipv4Piece * 10 + number;
                    }
                    if (ipv4Piece > 255) return false;
                    ++p;
                }
                address[pieceIndex] =
                    static_cast<uint16_t>(address[pieceIndex] * 0x100 + ipv4Piece);
                ++numbersSeen;
                if (numbersSeen == 2 || numbersSeen == 4) ++pieceIndex;
            }
            if (numbersSeen != 4) return false;
            break;
        } else if (at(p) == ':') {
            ++p;
            if (p >= s.size()) return false;
        } else if (p < s.size()) {
            return false;
        }
        address[pieceIndex] = static_cast<uint16_t>(value);
        ++pieceIndex;
    }
    if (compress != -1) {
        int swaps = pieceIndex - compress;
        pieceIndex = 7;
        while (pieceIndex != 0 && swaps > 0) {
            uint16_t t = address[pieceIndex];
            address[pieceIndex] = address[compress + swaps - 1];
            address[compress + swaps - 1] = t;
            --pieceIndex;
            --swaps;
        }
    } else if (pieceIndex != 8) {
        return false;
    }
    return true;
}

std::string SerializeIpv6(const uint16_t (&address)[8]) {
    // The first longest run of two or more zero pieces becomes "::".
    int compress = -1, bestLength = 1;
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && address[j] == 0) ++j;
        if (j - i > bestLength) {
            compress = i;
            bestLength = j - i;
        }
        i = j == i ? i + 1 : j;
    }
    static const char kHex[] = "0123456789abcdef";
    std::string out = "[";
    bool ignore0 = false;
    for (int i = 0; i < 8; ++i) {
        if (ignore0 && address[i] == 0) continue;
        ignore0 = false;
        if (compress == i) {
            out += i == 0 ? "::" : ":";
            ignore0 = true;
            continue;
        }
        bool started = false;
        for (int shift = 12; shift >= 0; shift -= 4) {
            int digit = (address[i] >> shift) & 15;
            if (digit != 0 || started || shift == 0) {
                out += kHex[digit];
                started = true;
            }
        }
        if (i != 7) out += ':';
    }
    out += ']';
    return out;
}

bool HasPunycodeLabel(std::string_view lowerDomain) {
    for (std::string_view label : SplitAt(lowerDomain, '.')) {
        if (label.substr(0, 4) == "xn--") return true;
    }
    return false;
}

}  // namespace

bool IsForbiddenHostByte(unsigned char c) {
    if (c <= 0x20 || c == 0x7F) return true;
    switch (c) {
        case '#':
        case '/':
        case ':':
        case '<':
        case '>':
        case '?':
        case '@':
        case '[':
        case '\\':
        case ']':
        case '^':
        case '|':
            return true;
        default:
            return false;
    }
}

bool ParseHost(std::string_view input, const ToAsciiHook& toAscii, std::string& out) {
    if (!input.empty() && input[0] == '[') {
        if (input.back() != ']' || input.size() < 2) return false;
        uint16_t address[8];
        if (!ParseIpv6(input.substr(1, input.size() - 2), address)) return false;
        out = SerializeIpv6(address);
        return true;
    }
    std::string domain = PercentDecode(input);
    // A host that is not valid UTF-8 after percent-decoding holds U+FFFD for a browser, which
    // no host may hold.
    if (!::IsValidUtf8(domain)) return false;
    bool ascii = true;
    for (char& c : domain) {
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
        c = ascii::ToLower(c);
    }
    std::string asciiDomain;
    if (!ascii || (toAscii && HasPunycodeLabel(domain))) {
        if (!toAscii || !toAscii(domain, asciiDomain)) return false;
        for (char& c : asciiDomain) {
            if (static_cast<unsigned char>(c) >= 0x80) return false;
            c = ascii::ToLower(c);
        }
    } else {
        asciiDomain = std::move(domain);
    }
    if (asciiDomain.empty()) return false;
    for (char c : asciiDomain) {
        if (c == '%' || IsForbiddenHostByte(static_cast<unsigned char>(c))) return false;
    }
    if (EndsInANumber(asciiDomain)) return ParseIpv4(asciiDomain, out);
    out = std::move(asciiDomain);
    return true;
}

}  // namespace url
