#include "net/redirect.h"

#include "url/url_resolve.h"

namespace net {

bool IsRedirectStatus(unsigned status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string RedirectTarget(const std::string& current, const std::string& location) {
    // Resolved as a browser resolves a reference in a page at `current`: a relative Location is
    // common, and old servers send blanks around it.
    return url::ResolveHttpReference(current, location);
}

}  // namespace net
