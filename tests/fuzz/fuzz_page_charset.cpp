// The page's charset declaration over any page and Content-Type: the page changes only by a
// <meta> inserted where the scan said, the charset named is the one in effect, and the UTF-8
// test agrees with a decoder written from RFC 3629.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "mht/html_refs.h"
#include "mht/page_charset.h"
#include "url/ascii.h"
#include "url/utf8_decoder.h"

namespace {

// RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8ByTheRfc(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n;
        unsigned long cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC0 && c < 0xE0) {
            n = 2, cp = c & 0x1F;
        } else if (c >= 0xE0 && c < 0xF0) {
            n = 3, cp = c & 0x0F;
        } else if (c >= 0xF0 && c < 0xF8) {
            n = 4, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k) {
            unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        static const unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::string contentType = in.ConsumeRandomLengthString(64);
    std::string page = in.ConsumeRemainingBytesAsString();

    FUZZ_CHECK_MSG(IsValidUtf8(page) == IsUtf8ByTheRfc(page), page);

    mht::HtmlScan scan = mht::ScanHtml(page);
    std::string body = page;
    std::string type = contentType;
    std::string charset = mht::DeclarePageCharset(body, type, scan.charset, scan.metaInsertPos);
    FUZZ_CHECK_MSG(charset == ascii::Lower(charset), charset);

    if (body != page) {
        // Only an insertion at the scan's place, and only of a tag naming the charset.
        size_t at = scan.metaInsertPos;
        size_t added = body.size() - page.size();
        FUZZ_CHECK(body.size() > page.size());
        FUZZ_CHECK(body.compare(0, at, page, 0, at) == 0);
        FUZZ_CHECK(body.compare(at + added, std::string::npos, page, at) == 0);
        std::string meta = body.substr(at, added);
        FUZZ_CHECK_MSG(meta.find("charset=" + charset + "\"") != std::string::npos, meta);
        FUZZ_CHECK_MSG(meta.find_first_of("\r\n<>", 1) == meta.size() - 1, meta);
    }
    if (!charset.empty()) {
        // The part's header names the charset in effect; a page scanned again declares it.
        FUZZ_CHECK_MSG(ascii::Lower(type).find(charset) != std::string::npos, type);
        if (body != page) FUZZ_CHECK_MSG(mht::ScanHtml(body).charset == charset, body);
    }
    FUZZ_CHECK_MSG(type.find_first_of("\r\n") == std::string::npos ||
                       contentType.find_first_of("\r\n") != std::string::npos,
                   type);
    return 0;
}
