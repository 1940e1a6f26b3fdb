#pragma once
// URLs of the schemes we fetch (http and https), parsed and serialized the way browsers do it,
// so that a request or an archived part names exactly the resource a browser would ask for.
// Windows-free: the two steps that need the platform (IDNA and query charsets) are injected.

#include <functional>
#include <string>
#include <string_view>

namespace url {

struct Url {
    std::string scheme;  // "http" or "https"
    std::string username, password;
    std::string host;  // lower-case domain, dotted IPv4, or "[v6]"
    int port = -1;     // -1: none given, or the scheme's default
    std::string path;  // always starts with "/"
    std::string query, fragment;
    bool hasQuery = false, hasFragment = false;

    std::string Href() const;           // the serialized URL, with its fragment
    std::string RequestTarget() const;  // path + ("?" + query), never the fragment
    int EffectivePort() const;          // the port, or 80/443
};

struct Hooks {
    // Converts a host that holds non-ASCII (given in UTF-8) to its IDNA ASCII form. Empty: such
    // hosts are refused. Also asked, when set, about ASCII labels that start with "xn--".
    std::function<bool(const std::string& utf8Host, std::string& asciiHost)> toAscii;
    // Encodes the query (UTF-8) in the document's charset. A character the charset cannot hold
    // comes back as "%26%23" decimal "%3B" (its "&#N;"), as browsers send it. Empty: UTF-8.
    std::function<std::string(const std::string& utf8)> encodeQuery;
};

// Parses `input` (UTF-8) against `base` (null for none). False when a browser would reject the
// URL, or when it is not an http or https URL.
bool Parse(const std::string& input, const Url* base, Url& out, const Hooks& hooks = {});

// What the parser reads of `input`: browsers drop leading and trailing controls and spaces, and
// tabs and line breaks anywhere.
std::string CleanInput(std::string_view input);

}  // namespace url
