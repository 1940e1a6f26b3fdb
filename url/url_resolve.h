#pragma once
// URL references of archived documents. What is fetched and stored is resolved by the browsers'
// URL parser (url/url_parser.h), so that an archived part is stored under the URL a reader
// will ask for.

#include <string>
#include <string_view>

#include "url/text_codec.h"

namespace url {

// Drops what browsers ignore in a URL taken from markup: leading and trailing blanks and control
// bytes, and tabs and line breaks anywhere.
std::string CleanAttributeUrl(std::string_view value);

// The form used to fetch and to name a part, as a browser serializes the URL: lower-case
// scheme and host (IDNA, IPv4 and IPv6 forms normalised), no default port, dot segments
// removed, no fragment, and the bytes each component may not hold written as %XX. Empty when
// `url` (UTF-8) is no http(s) URL a browser would accept.
std::string CanonicalHttpUrl(std::string_view url);

// The absolute http(s) URL that `ref`, found in a document at `base` (a canonical URL) and
// written in the document's encoding, refers to, in canonical form: the path in UTF-8, the
// query in the document's charset. Empty when there is nothing to fetch (data:, javascript:,
// mailto:, a bare fragment, a URL browsers refuse...).
std::string ResolveHttpReference(std::string_view base, std::string_view ref,
                                 const DocumentEncoding& encoding = DocumentEncoding());

}  // namespace url
