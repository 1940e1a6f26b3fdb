#pragma once
// URL reference resolution as RFC 3986 section 5 gives it, plus the few clean-ups browsers make
// before they fetch, so that an archived part is stored under the URL a reader will ask for.

#include <string>
#include <string_view>

namespace mht {

// The five components of a URI reference (RFC 3986 section 3). The flags tell an empty
// component from an absent one, which resolution needs ("?" differs from no query).
struct UrlParts {
    std::string scheme;
    std::string authority;
    std::string path;
    std::string query;
    std::string fragment;
    bool hasScheme = false;
    bool hasAuthority = false;
    bool hasQuery = false;
    bool hasFragment = false;
};

UrlParts SplitUrl(std::string_view url);
std::string JoinUrl(const UrlParts& parts);
std::string RemoveDotSegments(std::string_view path);

// Resolves `ref` against the absolute URL `base`. "http:g" against an http base is read as the
// relative "g", the backward-compatible reading RFC 3986 5.4.2 allows and browsers use.
std::string ResolveUrl(std::string_view base, std::string_view ref);

// The scheme in lower case; empty when the reference has none.
std::string UrlScheme(std::string_view url);
bool IsHttpUrl(std::string_view url);

// Drops what browsers ignore in a URL taken from markup: leading and trailing blanks and control
// bytes, and tabs and line breaks anywhere.
std::string CleanAttributeUrl(std::string_view value);

// The form used to fetch and to name a part: lower-case scheme and host, no default port, "/"
// for an empty path, no fragment, and bytes that may not stand in a URL (blanks, controls,
// quotes, angle brackets, non-ASCII) written as %XX.
std::string CanonicalHttpUrl(std::string_view url);

// The absolute http(s) URL that `ref` found in a document at `base` refers to, in canonical
// form; empty when there is nothing to fetch (data:, javascript:, mailto:, a bare fragment...).
std::string ResolveHttpReference(std::string_view base, std::string_view ref);

}  // namespace mht
