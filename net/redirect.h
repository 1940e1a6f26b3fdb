// The redirects a GET follows by hand: which statuses are redirects, and where they lead.
#pragma once

#include <string>

namespace net {

// 301, 302, 303, 307 and 308: each is repeated as a GET at the Location.
bool IsRedirectStatus(unsigned status);

// The absolute http(s) URL that a Location header sent for `current` names; empty when it
// names nothing to fetch (blank, another scheme).
std::string RedirectTarget(const std::string& current, const std::string& location);

}  // namespace net
