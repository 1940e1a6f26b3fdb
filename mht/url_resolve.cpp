#include "mht/url_resolve.h"

#include <utility>

#include "mht/page_charset.h"
#include "urls/url_parser.h"

namespace mht {
namespace {

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
char ToLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = ToLower(c);
    return out;
}

bool IsValidScheme(std::string_view s) {
    if (s.empty() || !IsAlpha(s[0])) return false;
    for (char c : s) {
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

bool IsSpecialScheme(std::string_view lowerScheme) {
    return lowerScheme == "http" || lowerScheme == "https";
}

// RFC 3986 5.2.3: the base path up to its last "/", then the reference's path.
std::string MergePaths(const UrlParts& base, const std::string& refPath) {
    if (base.hasAuthority && base.path.empty()) return "/" + refPath;
    size_t slash = base.path.rfind('/');
    if (slash == std::string::npos) return refPath;
    return base.path.substr(0, slash + 1) + refPath;
}

void DropLastSegment(std::string& out) {
    size_t slash = out.rfind('/');
    out.erase(slash == std::string::npos ? 0 : slash);
}

bool IsAscii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

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
    if (IsAscii(text)) return std::string(text);
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

url::Hooks HooksFor(const DocumentEncoding& encoding) {
    url::Hooks hooks;
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

std::string HrefWithoutFragment(url::Url u) {
    u.hasFragment = false;
    u.fragment.clear();
    return u.Href();
}

}  // namespace

UrlParts SplitUrl(std::string_view s) {
    UrlParts p;
    size_t i = 0;
    size_t colon = s.find_first_of(":/?#");
    if (colon != std::string_view::npos && s[colon] == ':' && IsValidScheme(s.substr(0, colon))) {
        p.hasScheme = true;
        p.scheme = std::string(s.substr(0, colon));
        i = colon + 1;
    }
    if (s.substr(i, 2) == "//") {
        size_t end = s.find_first_of("/?#", i + 2);
        if (end == std::string_view::npos) end = s.size();
        p.hasAuthority = true;
        p.authority = std::string(s.substr(i + 2, end - i - 2));
        i = end;
    }
    size_t pathEnd = s.find_first_of("?#", i);
    if (pathEnd == std::string_view::npos) pathEnd = s.size();
    p.path = std::string(s.substr(i, pathEnd - i));
    i = pathEnd;
    if (i < s.size() && s[i] == '?') {
        size_t end = s.find('#', i);
        if (end == std::string_view::npos) end = s.size();
        p.hasQuery = true;
        p.query = std::string(s.substr(i + 1, end - i - 1));
        i = end;
    }
    if (i < s.size()) {
        p.hasFragment = true;
        p.fragment = std::string(s.substr(i + 1));
    }
    return p;
}

std::string JoinUrl(const UrlParts& p) {
    std::string out;
    if (p.hasScheme) out += p.scheme + ":";
    if (p.hasAuthority) out += "//" + p.authority;
    out += p.path;
    if (p.hasQuery) out += "?" + p.query;
    if (p.hasFragment) out += "#" + p.fragment;
    return out;
}

// RFC 3986 5.2.4, walking the input once instead of rewriting its front.
std::string RemoveDotSegments(std::string_view in) {
    std::string out;
    size_t i = 0;
    while (i < in.size()) {
        std::string_view rest = in.substr(i);
        if (rest.substr(0, 3) == "../") {
            i += 3;
        } else if (rest.substr(0, 2) == "./") {
            i += 2;
        } else if (rest.substr(0, 3) == "/./") {
            i += 2;  // leaves the last "/" as the start of the input
        } else if (rest == "/.") {
            out += '/';
            i = in.size();
        } else if (rest.substr(0, 4) == "/../") {
            i += 3;
            DropLastSegment(out);
        } else if (rest == "/..") {
            DropLastSegment(out);
            out += '/';
            i = in.size();
        } else if (rest == "." || rest == "..") {
            i = in.size();
        } else {
            size_t end = in.find('/', i + 1);
            if (end == std::string_view::npos) end = in.size();
            out.append(in.substr(i, end - i));
            i = end;
        }
    }
    return out;
}

std::string ResolveUrl(std::string_view baseUrl, std::string_view refUrl) {
    UrlParts base = SplitUrl(baseUrl);
    UrlParts ref = SplitUrl(refUrl);
    if (ref.hasScheme && !ref.hasAuthority && IsSpecialScheme(Lower(ref.scheme)) &&
        Lower(ref.scheme) == Lower(base.scheme)) {
        ref.hasScheme = false;
    }
    UrlParts t;
    if (ref.hasScheme) {
        t = ref;
        t.path = RemoveDotSegments(ref.path);
    } else {
        if (ref.hasAuthority) {
            t.hasAuthority = true;
            t.authority = ref.authority;
            t.path = RemoveDotSegments(ref.path);
            t.hasQuery = ref.hasQuery;
            t.query = ref.query;
        } else {
            if (ref.path.empty()) {
                t.path = base.path;
                t.hasQuery = ref.hasQuery || base.hasQuery;
                t.query = ref.hasQuery ? ref.query : base.query;
            } else {
                t.path =
                    RemoveDotSegments(ref.path[0] == '/' ? ref.path : MergePaths(base, ref.path));
                t.hasQuery = ref.hasQuery;
                t.query = ref.query;
            }
            t.hasAuthority = base.hasAuthority;
            t.authority = base.authority;
        }
        t.hasScheme = base.hasScheme;
        t.scheme = base.scheme;
    }
    t.hasFragment = ref.hasFragment;
    t.fragment = ref.fragment;
    return JoinUrl(t);
}

std::string StripFragment(std::string_view url) {
    return std::string(url.substr(0, url.find('#')));
}

std::string UrlScheme(std::string_view url) {
    UrlParts p = SplitUrl(url);
    return p.hasScheme ? Lower(p.scheme) : std::string();
}

bool IsHttpUrl(std::string_view url) {
    UrlParts p = SplitUrl(url);
    return p.hasScheme && IsSpecialScheme(Lower(p.scheme)) && p.hasAuthority &&
           !p.authority.empty();
}

bool IsDataUrl(std::string_view url) {
    return UrlScheme(CleanAttributeUrl(url)) == "data";
}

std::string CleanAttributeUrl(std::string_view value) {
    size_t begin = 0, end = value.size();
    while (begin < end && static_cast<unsigned char>(value[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(value[end - 1]) <= 0x20) --end;
    std::string out;
    out.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        char c = value[i];
        if (c != '\t' && c != '\n' && c != '\r') out += c;
    }
    return out;
}

std::string CanonicalHttpUrl(std::string_view text) {
    url::Url u;
    if (!url::Parse(std::string(text), nullptr, u)) return {};
    return HrefWithoutFragment(std::move(u));
}

std::string ResolveHttpReference(std::string_view base, std::string_view ref,
                                 const DocumentEncoding& encoding) {
    std::string cleaned = CleanAttributeUrl(ref);
    if (cleaned.empty() || cleaned[0] == '#') return {};  // the document itself
    url::Url baseUrl;
    const bool hasBase = !base.empty() && url::Parse(std::string(base), nullptr, baseUrl);
    url::Url out;
    if (!url::Parse(ReferenceText(cleaned, encoding), hasBase ? &baseUrl : nullptr, out,
                    HooksFor(encoding))) {
        return {};
    }
    return HrefWithoutFragment(std::move(out));
}

}  // namespace mht
