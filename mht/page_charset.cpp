#include "mht/page_charset.h"

#include "mht/content_type.h"
#include "url/utf8_decoder.h"

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

}  // namespace mht
