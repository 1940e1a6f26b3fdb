#include "mht/stylesheet_charset.h"

#include "mht/content_type.h"
#include "url/ascii.h"

namespace mht {

std::string StylesheetCharset(std::string_view body, std::string_view contentType,
                              std::string_view referrerCharset) {
    if (body.substr(0, 3) == "\xEF\xBB\xBF") return "utf-8";
    if (body.substr(0, 2) == "\xFE\xFF") return "utf-16be";
    if (body.substr(0, 2) == "\xFF\xFE") return "utf-16le";
    std::string fromHeader = ExtractCharset(contentType);
    if (!fromHeader.empty()) return fromHeader;
    // Exactly `@charset "name";` at the very start, as CSS requires.
    constexpr std::string_view kRule = "@charset \"";
    if (body.substr(0, kRule.size()) == kRule) {
        size_t end = body.find("\";", kRule.size());
        if (end != std::string_view::npos && end - kRule.size() <= 40) {
            std::string name = ascii::Lower(body.substr(kRule.size(), end - kRule.size()));
            // A sheet cannot declare itself UTF-16 in its own (ASCII-compatible) bytes.
            if (name == "utf-16be" || name == "utf-16le") return "utf-8";
            if (IsCharsetName(name)) return name;
        }
    }
    return std::string(referrerCharset);
}

}  // namespace mht
