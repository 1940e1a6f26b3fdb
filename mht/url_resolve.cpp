#include "mht/url_resolve.h"

#include "mht/ascii_case.h"

namespace mht {
namespace {

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
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

bool MustEscape(unsigned char c) {
    return c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>';
}

void AppendEscaped(std::string& out, std::string_view s) {
    static const char kHex[] = "0123456789ABCDEF";
    for (char ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (MustEscape(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
}

// Browsers read "\" as "/" in http(s) URLs, but only before the query. A backslash right after
// a high byte is left alone: in a GBK URL it is the second byte of a character.
std::string BackslashesToSlashes(std::string_view ref) {
    std::string out(ref);
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '?' || out[i] == '#') break;
        if (out[i] == '\\' && (i == 0 || static_cast<unsigned char>(out[i - 1]) < 0x81)) {
            out[i] = '/';
        }
    }
    return out;
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

std::string UrlScheme(std::string_view url) {
    UrlParts p = SplitUrl(url);
    return p.hasScheme ? Lower(p.scheme) : std::string();
}

bool IsHttpUrl(std::string_view url) {
    UrlParts p = SplitUrl(url);
    return p.hasScheme && IsSpecialScheme(Lower(p.scheme)) && p.hasAuthority &&
           !p.authority.empty();
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

std::string CanonicalHttpUrl(std::string_view url) {
    UrlParts p = SplitUrl(url);
    std::string scheme = Lower(p.scheme);
    // Only the host is case-insensitive; user information keeps its case.
    size_t at = p.authority.rfind('@');
    size_t hostStart = at == std::string::npos ? 0 : at + 1;
    std::string authority =
        p.authority.substr(0, hostStart) + Lower(std::string_view(p.authority).substr(hostStart));
    size_t colon = authority.rfind(':');
    if (colon != std::string::npos && colon >= hostStart &&
        authority.find(']', colon) == std::string::npos) {
        std::string port = authority.substr(colon + 1);
        if (port.empty() || (scheme == "http" && port == "80") ||
            (scheme == "https" && port == "443")) {
            authority.erase(colon);
        }
    }
    std::string out = scheme + "://" + authority;
    AppendEscaped(out, p.path.empty() ? std::string_view("/") : std::string_view(p.path));
    if (p.hasQuery) {
        out += '?';
        AppendEscaped(out, p.query);
    }
    return out;
}

std::string ResolveHttpReference(std::string_view base, std::string_view ref) {
    std::string cleaned = CleanAttributeUrl(ref);
    if (cleaned.empty() || cleaned[0] == '#') return {};
    std::string scheme = UrlScheme(cleaned);
    if (!scheme.empty() && !IsSpecialScheme(scheme)) return {};
    if (IsHttpUrl(base) || !scheme.empty()) cleaned = BackslashesToSlashes(cleaned);
    std::string absolute = ResolveUrl(base, cleaned);
    if (!IsHttpUrl(absolute)) return {};
    return CanonicalHttpUrl(absolute);
}

}  // namespace mht
