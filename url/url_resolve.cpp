#include "url/url_resolve.h"

#include <utility>

#include "url/ascii.h"
#include "url/url_parser.h"
#include "url/utf8_decoder.h"

namespace url {
namespace {

// Text no codec could read: each byte above ASCII written as %XX as it stands, and a GBK
// character's second byte with it, so that a 0x5C there is not read as a separator.
std::string EscapeUndecodable(std::string_view s) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += s[i];
            continue;
        }
        unsigned char next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
        int count =
            (c >= 0x81 && c <= 0xFE && next >= 0x40 && next <= 0xFE && next != 0x7F) ? 2 : 1;
        for (int k = 0; k < count; ++k) {
            unsigned char b = static_cast<unsigned char>(s[i + k]);
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
        i += count - 1;
    }
    return out;
}

// The reference as UTF-8, as the browser reads it from the document's bytes.
std::string ReferenceText(std::string_view text, const DocumentEncoding& encoding) {
    if (ascii::IsAscii(text)) return std::string(text);
    std::string utf8;
    if (encoding.codec && !encoding.charset.empty() &&
        encoding.codec->Decode(encoding.charset, text, utf8)) {
        return utf8;
    }
    if (IsValidUtf8(text)) return std::string(text);
    if (encoding.codec && encoding.codec->Decode("gbk", text, utf8)) return utf8;
    return EscapeUndecodable(text);
}

// The charset a query is sent in: the document's, but UTF-8 where it has none or is UTF-16.
bool QueryNeedsEncoding(const DocumentEncoding& encoding) {
    const std::string& cs = encoding.charset;
    return encoding.codec && !cs.empty() && cs != "utf-8" && cs != "utf8" &&
           cs.compare(0, 6, "utf-16") != 0 && cs != "unicode-1-1-utf-8";
}

Hooks HooksFor(const DocumentEncoding& encoding) {
    Hooks hooks;
    if (encoding.codec) {
        const TextCodec* codec = encoding.codec;
        hooks.toAscii = [codec](const std::string& host, std::string& ascii) {
            return codec->HostToAscii(host, ascii);
        };
    }
    if (QueryNeedsEncoding(encoding)) {
        hooks.encodeQuery = [encoding](const std::string& utf8) {
            std::string bytes;
            return encoding.codec->Encode(encoding.charset, utf8, bytes) ? bytes : utf8;
        };
    }
    return hooks;
}

std::string HrefWithoutFragment(Url u) {
    u.hasFragment = false;
    u.fragment.clear();
    return u.Href();
}

}  // namespace

std::string CleanAttributeUrl(std::string_view value) {
    return CleanInput(value);
}

std::string CanonicalHttpUrl(std::string_view text) {
    Url u;
    if (!Parse(std::string(text), nullptr, u)) return {};
    return HrefWithoutFragment(std::move(u));
}

std::string ResolveHttpReference(std::string_view base, std::string_view ref,
                                 const DocumentEncoding& encoding) {
    std::string cleaned = CleanAttributeUrl(ref);
    if (cleaned.empty() || cleaned[0] == '#') return {};  // the document itself
    Url baseUrl;
    const bool hasBase = !base.empty() && Parse(std::string(base), nullptr, baseUrl);
    Url out;
    if (!Parse(ReferenceText(cleaned, encoding), hasBase ? &baseUrl : nullptr, out,
               HooksFor(encoding))) {
        return {};
    }
    return HrefWithoutFragment(std::move(out));
}

}  // namespace url
