#include "mht/page_charset.h"

#include "mht/content_type.h"

namespace mht {
namespace {

std::string CharsetFromByteOrderMark(std::string_view body) {
    if (body.substr(0, 3) == "\xEF\xBB\xBF") return "utf-8";
    if (body.substr(0, 2) == "\xFF\xFE") return "utf-16le";
    if (body.substr(0, 2) == "\xFE\xFF") return "utf-16be";
    return {};
}

}  // namespace

std::string DeclarePageCharset(std::string& body, std::string& contentType,
                               std::string_view pageCharset, size_t metaInsertPos) {
    std::string declared = CharsetFromByteOrderMark(body);
    if (declared.empty() && IsCharsetName(pageCharset)) declared = std::string(pageCharset);
    if (!declared.empty()) {
        if (ExtractCharset(contentType) != declared)
            contentType = WithCharset(contentType, declared);
        return declared;
    }
    std::string served = ExtractCharset(contentType);
    if (!IsCharsetName(served)) return {};
    std::string meta =
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + served + "\">";
    // Into a new buffer of the exact size: growing the body in place would double the
    // capacity of a page of up to 16 MB for the rest of the archive's life.
    const size_t at = metaInsertPos <= body.size() ? metaInsertPos : 0;
    std::string grown;
    grown.reserve(body.size() + meta.size());
    grown.append(body, 0, at).append(meta).append(body, at, std::string::npos);
    body.swap(grown);
    return served;
}

std::string HeaderCharsetFor(std::string_view text, std::string_view pageCharset) {
    if (pageCharset == "gb2312") return "gbk";
    if (!pageCharset.empty()) return std::string(pageCharset);
    return IsValidUtf8(text) ? "utf-8" : "gbk";
}

// RFC 3629: no overlong form, no surrogate, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        if (n == 2 && c < 0xC2) return false;  // overlong
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        if (n > 2) {
            // The second byte's range, which rules out the overlong forms, the surrogates
            // (ED A0-BF) and code points above U+10FFFF (F4 90-BF, F5-F7).
            unsigned char second = static_cast<unsigned char>(s[i + 1]);
            if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) ||
                (c == 0xF0 && second < 0x90) || (c == 0xF4 && second > 0x8F) || c > 0xF4)
                return false;
        }
        i += n;
    }
    return true;
}

}  // namespace mht
