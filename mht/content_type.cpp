#include "mht/content_type.h"

#include "url/ascii.h"

namespace mht {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && ascii::IsHtmlSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && ascii::IsHtmlSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace

std::string MediaType(std::string_view contentType) {
    return ascii::Lower(Trim(contentType.substr(0, contentType.find(';'))));
}

// The search HTML prescribes for <meta content>: it also reads HTTP's "; charset=x".
std::string ExtractCharset(std::string_view value) {
    std::string lower = ascii::Lower(value);
    size_t pos = 0;
    while ((pos = lower.find("charset", pos)) != std::string::npos) {
        pos += 7;
        while (pos < lower.size() && ascii::IsHtmlSpace(lower[pos])) ++pos;
        if (pos >= lower.size() || lower[pos] != '=') continue;
        ++pos;
        while (pos < lower.size() && ascii::IsHtmlSpace(lower[pos])) ++pos;
        if (pos >= lower.size()) return {};
        if (lower[pos] == '"' || lower[pos] == '\'') {
            size_t end = lower.find(lower[pos], pos + 1);
            if (end == std::string::npos) return {};
            return std::string(Trim(std::string_view(lower).substr(pos + 1, end - pos - 1)));
        }
        size_t end = pos;
        while (end < lower.size() && !ascii::IsHtmlSpace(lower[end]) && lower[end] != ';') ++end;
        return lower.substr(pos, end - pos);
    }
    return {};
}

std::string WithCharset(std::string_view contentType, std::string_view charset) {
    std::string out(Trim(contentType.substr(0, contentType.find(';'))));
    size_t pos = contentType.find(';');
    while (pos != std::string_view::npos) {
        size_t next = contentType.find(';', pos + 1);
        std::string_view param = Trim(contentType.substr(
            pos + 1, next == std::string_view::npos ? std::string_view::npos : next - pos - 1));
        std::string name = ascii::Lower(Trim(param.substr(0, param.find('='))));
        if (!param.empty() && name != "charset") {
            out += "; ";
            out += param;
        }
        pos = next;
    }
    out += "; charset=";
    out += charset;
    return out;
}

bool IsCharsetName(std::string_view name) {
    if (name.empty() || name.size() > 40) return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '-' || c == '_' || c == '.' || c == ':';
        if (!ok) return false;
    }
    return true;
}

bool IsTextLikeType(std::string_view contentType) {
    std::string type = MediaType(contentType);
    if (type.compare(0, 5, "text/") == 0) return true;
    if (EndsWith(type, "+xml") || EndsWith(type, "+json")) return true;
    return type == "application/javascript" || type == "application/x-javascript" ||
           type == "application/ecmascript" || type == "application/json" ||
           type == "application/xml";
}

bool IsHtmlType(std::string_view contentType) {
    std::string type = MediaType(contentType);
    return type.empty() || type == "text/html" || type == "application/xhtml+xml";
}

}  // namespace mht
