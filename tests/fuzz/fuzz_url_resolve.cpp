// URL resolution over any base and reference: what comes out is an http(s) URL in canonical
// form that resolves to itself again, and whose host holds no byte a host may not hold.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "url/url_host.h"
#include "url/url_resolve.h"

namespace {

bool IsIpv6LiteralByte(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
           c == '.';
}

// The authority of a serialized http(s) URL, read apart from the parser that wrote it.
std::string_view AuthorityOf(std::string_view url) {
    size_t start = url.find("://");
    if (start == std::string_view::npos) return {};
    url.remove_prefix(start + 3);
    return url.substr(0, url.find_first_of("/?#"));
}

bool IsHttpUrl(std::string_view url) {
    return (url.substr(0, 7) == "http://" || url.substr(0, 8) == "https://") &&
           !AuthorityOf(url).empty();
}

std::string_view HostOf(std::string_view authority) {
    size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority.remove_prefix(at + 1);
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        return authority.substr(0, close == std::string_view::npos ? authority.size() : close + 1);
    }
    size_t colon = authority.rfind(':');
    return authority.substr(0, colon);
}

void CheckHost(std::string_view url) {
    std::string_view host = HostOf(AuthorityOf(url));
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        for (char c : host.substr(1, host.size() - 2)) {
            FUZZ_CHECK_MSG(IsIpv6LiteralByte(c), url);
        }
        return;
    }
    for (char c : host)
        FUZZ_CHECK_MSG(!url::IsForbiddenHostByte(static_cast<unsigned char>(c)), url);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    bool prefixBase = in.ConsumeBool();
    std::string base = in.ConsumeRandomLengthString(256);
    if (prefixBase) base = "http://" + base;
    std::string ref = in.ConsumeRemainingBytesAsString();

    std::string url = url::ResolveHttpReference(base, ref);
    if (url.empty()) return 0;
    FUZZ_CHECK_MSG(IsHttpUrl(url), url);
    FUZZ_CHECK_MSG(url::CanonicalHttpUrl(url) == url, url);
    FUZZ_CHECK_MSG(url::ResolveHttpReference(url, url) == url, url);
    FUZZ_CHECK_MSG(url::ResolveHttpReference(base, url) == url, url);
    CheckHost(url);
    return 0;
}
