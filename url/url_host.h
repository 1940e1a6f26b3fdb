#pragma once
// The host of an http(s) URL as browsers read it: "[...]" is an IPv6 address, a name whose last
// label is a number is an IPv4 address in any of its number forms, anything else is a domain.

#include <functional>
#include <string>
#include <string_view>

namespace url {

using ToAsciiHook = std::function<bool(const std::string& utf8Host, std::string& asciiHost)>;

// Parses the host text of a URL (still percent-encoded as written) into its serialized form:
// a lower-case domain, a dotted IPv4 address, or "[v6]". False when browsers refuse the host.
bool ParseHost(std::string_view input, const ToAsciiHook& toAscii, std::string& out);

// Bytes no host may hold: the URL Standard's forbidden host code points, the C0 controls and
// DEL. Brackets belong only around an IPv6 address; a domain may not hold "%" either.
bool IsForbiddenHostByte(unsigned char c);

}  // namespace url
